#pragma once

#include "child_process.h"
#include "temp_dir.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zumaset::test {

// The built client: $ZUMASET_BUILD_DIR/src/app/zumaset.
std::filesystem::path ClientExecutable();

// Runs the client program for one test, headless (no display variables, not
// under a service manager), with this process's other environment and its
// output (both streams) kept in a file. `environment` ("NAME=value") is added
// to, or replaces, what it inherits (a notify socket makes it a service).
// Killed in the destructor if it still runs.
class ClientProcess {
public:
    explicit ClientProcess(std::vector<std::string> arguments = {}, std::vector<std::string> environment = {});

    pid_t pid() const { return child_.pid(); }
    bool Running() { return child_.Running(); }
    void Signal(int signalNumber) { child_.Signal(signalNumber); }
    // The exit status once it has ended; nothing if it still runs at the
    // deadline (a hang guard) or was ended by a signal (then -signal).
    std::optional<int> WaitForExit(std::chrono::seconds deadline = std::chrono::seconds(30)) {
        return child_.WaitForExit(deadline);
    }
    // What it wrote so far.
    std::string Output() const { return ReadFileBytes(dir_.path() / "output"); }

private:
    TempDir dir_;
    ChildProcess child_;
};

} // namespace zumaset::test
