#include "client_process.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zumaset::test {

namespace {

bool Headless(const char* entry) {
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "NOTIFY_SOCKET=", "INVOCATION_ID="}) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0) return false;
    }
    return true;
}

} // namespace

std::filesystem::path ClientExecutable() {
    const char* buildDir = std::getenv("ZUMASET_BUILD_DIR");
    if (buildDir == nullptr || *buildDir == '\0') throw std::runtime_error("ZUMASET_BUILD_DIR is not set");
    return std::filesystem::path(buildDir) / "src" / "app" / "zumaset";
}

ClientProcess::ClientProcess(std::vector<std::string> arguments, std::vector<std::string> environment) {
    const std::string executable = ClientExecutable().string();
    std::vector<char*> argv{const_cast<char*>(executable.c_str())};
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    const auto replaced = [&environment](const char* entry) {
        for (const auto& added : environment) {
            const auto name = added.substr(0, added.find('=') + 1);
            if (std::strncmp(entry, name.c_str(), name.size()) == 0) return true;
        }
        return false;
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (Headless(*entry) && !replaced(*entry)) envp.push_back(*entry);
    }
    for (auto& added : environment) envp.push_back(added.data());
    envp.push_back(nullptr);

    const std::string output = (dir_.path() / "output").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int error = posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + executable + ": " + std::strerror(error));
}

ClientProcess::~ClientProcess() {
    if (Running()) {
        kill(pid_, SIGKILL);
        WaitForExit();
    }
}

bool ClientProcess::Running() {
    if (exit_) return false;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    if (done == pid_) exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return false;
}

void ClientProcess::Signal(int signalNumber) {
    if (Running()) kill(pid_, signalNumber);
}

std::optional<int> ClientProcess::WaitForExit(std::chrono::seconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (Running()) {
        if (std::chrono::steady_clock::now() > until) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exit_;
}

std::string ClientProcess::Output() const {
    return ReadFileBytes(dir_.path() / "output");
}

} // namespace zumaset::test
