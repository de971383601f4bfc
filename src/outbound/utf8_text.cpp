#include "outbound/utf8_text.h"

namespace zumaset {

namespace {

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Byte offset of the character number `count` (0-based) from the start, or
// the text's size when it has fewer characters.
std::size_t OffsetOfCharacter(std::string_view text, std::size_t count) {
    std::size_t offset = 0;
    while (offset < text.size() && count > 0) {
        ++offset;
        while (offset < text.size() && IsContinuation(text[offset])) ++offset;
        --count;
    }
    return offset;
}

} // namespace

std::string_view Utf8Left(std::string_view text, std::size_t n) { return text.substr(0, OffsetOfCharacter(text, n)); }

std::string_view Utf8Right(std::string_view text, std::size_t n) {
    std::size_t offset = text.size();
    while (offset > 0 && n > 0) {
        --offset;
        while (offset > 0 && IsContinuation(text[offset])) --offset;
        --n;
    }
    return text.substr(offset);
}

std::string_view Utf8Mid(std::string_view text, std::size_t start, std::size_t n) {
    const std::string_view rest = text.substr(OffsetOfCharacter(text, start - 1));
    return Utf8Left(rest, n);
}

} // namespace zumaset
