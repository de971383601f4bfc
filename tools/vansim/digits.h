#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zumaset::vansim {

// The text kind sends every file byte as three decimal digits (000-255).
// Gives nothing for a length that is not a multiple of three, a non-digit or a value over 255.
std::optional<std::string> DecodeDecimalDigits(std::string_view digits);

// The XML kind sends every file byte as two upper-case hexadecimal digits.
// Gives nothing for an odd length or any other character.
std::optional<std::string> DecodeHexDigits(std::string_view digits);

// The CRC-32 of a chunk's text as the client writes it: the unsigned value taken
// as a signed 32-bit number, in decimal, with a minus sign when negative.
std::string ChunkCrcText(std::string_view chunk);

} // namespace zumaset::vansim
