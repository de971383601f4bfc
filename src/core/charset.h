#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// Conversions between the internal UTF-8 and the encodings met outside:
// Windows-1250 on the wire and in older exports, UTF-16LE in newer exports.
// Each returns nothing when the input has a character the target cannot hold
// or is not valid in its own encoding; nothing is ever replaced silently.
std::optional<std::string> Utf8ToCp1250(std::string_view utf8);
// How a text without a Windows-1250 form is reported: Windows' number for a
// character with no form in the target code page, and the client's own text.
inline constexpr long kNoCodePageForm = 1113;
inline constexpr std::string_view kNoCodePageText = "Hodnotu nelze odeslat ve znakové sadě Windows-1250.";
std::optional<std::string> Cp1250ToUtf8(std::string_view cp1250);
std::optional<std::string> Utf16LeToUtf8(std::string_view utf16le);
std::optional<std::string> Utf8ToUtf16Le(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

} // namespace zumaset
