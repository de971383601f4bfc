#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zumaset::test {

// One helper process a test starts (the client, the simulator, a proxy, a
// mail server). argv[0] is run as given, or looked up on PATH when it has no
// slash; standard input reads /dev/null. The destructor ends it with the end
// signal if it still runs and waits for it.
class ChildProcess {
public:
    struct Options {
        std::filesystem::path output = {};         // receives standard output and error,
        int outputFd = -1;                         // or this descriptor standard output alone
        std::vector<std::string> environment = {}; // "NAME=value"; empty: this process's own
        int endSignal = SIGTERM;
    };

    // Throws when the process cannot be started.
    ChildProcess(std::vector<std::string> argv, Options options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool Running();
    void Signal(int signalNumber);
    // The exit status once it has ended (-signal when a signal ended it);
    // nothing if it still runs at the deadline (a hang guard).
    std::optional<int> WaitForExit(std::chrono::seconds deadline = std::chrono::seconds(30));
    // Sends the end signal and waits; later calls give the same result.
    int Stop();

private:
    void Reap(int status);

    pid_t pid_ = -1;
    int endSignal_;
    std::optional<int> exit_;
};

} // namespace zumaset::test
