#pragma once

namespace zumaset {

// Exit statuses of the command-line companion (the README lists them).
inline constexpr int kExitOk = 0;
// The work ran but something failed: a file of the pass was not sent or
// fetched (the pass's error-log lines are on standard error), a server failed
// the check, a file could not be written, an imported value cannot work here.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2; // bad input: unknown name, wrong value, unreadable file
// The work could not run at all: settings missing, another pass running, the
// register of sent files refused, no client running (status).
inline constexpr int kExitCannotRun = 3;

} // namespace zumaset
