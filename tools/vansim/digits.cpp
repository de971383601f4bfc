#include "digits.h"

#include <algorithm>
#include <cstdint>
#include <zlib.h>

namespace zumaset::vansim {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::string> DecodeDecimalDigits(std::string_view digits) {
    if (digits.size() % 3 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(digits.size() / 3);
    for (size_t i = 0; i < digits.size(); i += 3) {
        int value = 0;
        for (size_t k = 0; k < 3; ++k) {
            const char c = digits[i + k];
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value > 255) return std::nullopt;
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::optional<std::string> DecodeHexDigits(std::string_view digits) {
    if (digits.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    for (size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::string ChunkCrcText(std::string_view chunk) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes the length as uInt; feed large texts in pieces.
    size_t offset = 0;
    while (offset < chunk.size()) {
        const size_t piece = std::min<size_t>(chunk.size() - offset, 1u << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(chunk.data() + offset), static_cast<uInt>(piece));
        offset += piece;
    }
    const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(crc));
    return std::to_string(value);
}

} // namespace zumaset::vansim
