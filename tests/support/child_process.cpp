#include "child_process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zumaset::test {

ChildProcess::ChildProcess(std::vector<std::string> argv, Options options) : endSignal_(options.endSignal) {
    std::vector<char*> args;
    for (auto& argument : argv) args.push_back(argument.data());
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : options.environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.outputFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    char* const* environment = options.environment.empty() ? environ : envp.data();
    const int error = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
}

ChildProcess::~ChildProcess() {
    Stop();
}

void ChildProcess::Reap(int status) {
    exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

bool ChildProcess::Running() {
    if (exit_) return false;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    if (done == pid_) Reap(status);
    return false;
}

void ChildProcess::Signal(int signalNumber) {
    if (Running()) ::kill(pid_, signalNumber);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::seconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (Running()) {
        if (std::chrono::steady_clock::now() > until) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exit_;
}

int ChildProcess::Stop() {
    if (!exit_) {
        ::kill(pid_, endSignal_);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        Reap(status);
    }
    return *exit_;
}

} // namespace zumaset::test
