#pragma once

#include <string>

namespace zumaset {

// zumasetctl's own messages in the user's language. The client's Czech texts
// (message table, activity and log lines, anything sent to the server) never
// pass through here, and neither does JSON output.
inline constexpr const char* kCtlTextDomain = "zumasetctl";

// The message in the catalogue's language, or the English text itself when
// no catalogue is bound or it lacks the message.
const char* Tr(const char* english) __attribute__((format_arg(1)));

// The form for `n` (languages differ in how many forms a count takes).
const char* TrN(const char* singular, const char* plural, unsigned long n)
    __attribute__((format_arg(1), format_arg(2)));

// Marks a message for the catalogue where the English text is kept (JSON
// fields); Tr translates it where it is shown.
constexpr const char* N_(const char* english) {
    return english;
}

// printf into a string; translations may reorder arguments with %1$s.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace zumaset
