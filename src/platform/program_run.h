#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zumaset {

// How a program run by RunProgram ended.
struct ProgramRun {
    enum class End {
        Exited,     // it ended by itself: `exitStatus`
        Signalled,  // a signal ended it: `signal`
        TimedOut,   // it was still running at the deadline and was killed
        NotStarted, // it could not be started: `startError` (an errno value)
    };
    End end = End::NotStarted;
    int exitStatus = 0;
    int signal = 0;
    int startError = 0;
    std::string out; // what it wrote to standard output (at most kCapturedBytes)
    std::string err; // what it wrote to standard error (at most kCapturedBytes)

    static constexpr std::size_t kCapturedBytes = 1 << 20;
};

// Runs `argv` (argv[0] looked up on PATH) with no shell in between, its
// standard input /dev/null and its two output streams captured, and waits for
// it to end. `environment` entries ("NAME=value") replace or add to this
// process's environment for the program. The program runs in a process group
// of its own; at `timeout` the whole group is killed, so a script's children
// go with it. Safe on any thread: nothing but the spawn touches the process.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                      std::chrono::milliseconds timeout);

} // namespace zumaset
