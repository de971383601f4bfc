#pragma once

#include <string>
#include <string_view>

namespace zumaset {

// Removes leading and trailing blanks (spaces only, as the settings store trims).
std::string TrimBlanks(std::string_view text);

// ASCII-only case-insensitive comparison (registry key and value names).
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace zumaset
