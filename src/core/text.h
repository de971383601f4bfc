#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// Removes leading and trailing blanks (spaces only, as the settings store trims).
std::string TrimBlanks(std::string_view text);

// The text without the leading and trailing characters found in `blanks`.
std::string_view TrimView(std::string_view text, std::string_view blanks = " ");

// ASCII-only case-insensitive comparison (registry key and value names, HTML
// tags); bytes outside ASCII compare as they are.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Where `what` first occurs in `text` at or after `from`, ignoring ASCII case;
// npos when it does not.
std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from = 0);

// True when the text holds a control character (bytes 0x00-0x1F and 0x7F).
bool HasControlCharacter(std::string_view text);

// The whole text as a decimal number with an optional "-": nothing when
// anything else is in it (blanks too), it is empty or it does not fit.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

// The text between double quotes, as messages and logs show names and values.
std::string Quoted(std::string_view text);

// The text with every control character (bytes 0x00-0x1F and 0x7F) written as
// "\xNN" in upper-case hex, so that a name from a server, a folder or a user
// stays on one line of a log or of a terminal and cannot move its cursor.
std::string EscapeControlChars(std::string_view text);

} // namespace zumaset
