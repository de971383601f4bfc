#pragma once

#include <cstddef>
#include <string_view>

namespace zumaset {

// Character-based slicing of UTF-8 texts, so that positions and lengths in
// file-name rules count letters, not bytes.

// The first n characters.
std::string_view Utf8Left(std::string_view text, std::size_t n);
// The last n characters.
std::string_view Utf8Right(std::string_view text, std::size_t n);
// Up to n characters from the 1-based character position `start`; empty when
// start lies beyond the end. start must be at least 1.
std::string_view Utf8Mid(std::string_view text, std::size_t start, std::size_t n);

} // namespace zumaset
