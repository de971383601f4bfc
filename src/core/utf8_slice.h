#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zumaset {

// Character-wise slices of UTF-8 text, for the rules that count characters
// ("the first 14 characters", "the last eight characters"). A character is a
// lead byte with its continuation bytes; malformed bytes count one each.

namespace detail {
inline bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
} // namespace detail

// The first `count` characters (the whole text when it is shorter).
inline std::string_view Utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t chars = 0; i < text.size(); ++i) {
        if (!detail::IsContinuationByte(text[i]) && chars++ == count) break;
    }
    return text.substr(0, i);
}

// The text without its first `count` characters.
inline std::string_view Utf8DropPrefix(std::string_view text, std::size_t count) {
    return text.substr(Utf8Prefix(text, count).size());
}

// The last `count` characters (the whole text when it is shorter).
inline std::string_view Utf8Suffix(std::string_view text, std::size_t count) {
    std::size_t start = text.size();
    for (std::size_t chars = 0; start > 0 && chars < count;) {
        --start;
        if (!detail::IsContinuationByte(text[start])) ++chars;
    }
    return text.substr(start);
}

// The number of characters in the text.
inline std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) {
        if (!detail::IsContinuationByte(c)) ++n;
    }
    return n;
}

// The text padded with blanks to `width` characters; longer text stays whole.
inline std::string Utf8PadRight(std::string_view text, std::size_t width) {
    std::string padded(text);
    const std::size_t length = Utf8Length(text);
    if (length < width) padded.append(width - length, ' ');
    return padded;
}

// The text cut or padded with blanks to exactly `width` characters.
inline std::string Utf8FitTo(std::string_view text, std::size_t width) {
    return Utf8PadRight(Utf8Prefix(text, width), width);
}

// Up to `count` characters from the 1-based character position `start`;
// empty when start lies beyond the end. start must be at least 1.
inline std::string_view Utf8Mid(std::string_view text, std::size_t start, std::size_t count) {
    return Utf8Prefix(Utf8DropPrefix(text, start - 1), count);
}

} // namespace zumaset
