#pragma once

namespace zumaset {

// Exit statuses of the command-line companion.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the work could not be done (a file could not be written, ...)
inline constexpr int kExitUsage = 2;   // bad input: unknown name, wrong value, unreadable file

} // namespace zumaset
