#pragma once

#include <string>
#include <string_view>

namespace zumaset {

// Removes leading and trailing blanks (spaces only, as the settings store trims).
std::string TrimBlanks(std::string_view text);

// ASCII-only case-insensitive comparison (registry key and value names).
bool EqualsNoCase(std::string_view a, std::string_view b);

// The text with every control character (bytes 0x00-0x1F and 0x7F) written as
// "\xNN" in upper-case hex, so that a name from a server, a folder or a user
// stays on one line of a log or of a terminal and cannot move its cursor.
std::string EscapeControlChars(std::string_view text);

} // namespace zumaset
