#include "vansim_process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <regex>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zumaset::test {
namespace {

// Reads the simulator's first line. The long limit only keeps a broken build
// from hanging the test run; the simulator answers in well under a second.
std::string ReadFirstLine(int fd) {
    std::string line;
    while (true) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, 60000);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) throw std::runtime_error("zumaset-vansim did not say where it listens");
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("zumaset-vansim ended before it listened: " + line);
        if (c == '\n') return line;
        line.push_back(c);
    }
}

std::vector<std::string> SplitServerPath(const std::string& serverPath) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : serverPath) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

} // namespace

std::filesystem::path VansimExecutable() {
    const char* buildDir = std::getenv("ZUMASET_BUILD_DIR");
#ifdef ZUMASET_DEFAULT_BUILD_DIR
    if (buildDir == nullptr || *buildDir == '\0') buildDir = ZUMASET_DEFAULT_BUILD_DIR;
#endif
    if (buildDir == nullptr || *buildDir == '\0') throw std::runtime_error("ZUMASET_BUILD_DIR is not set");
    return std::filesystem::path(buildDir) / "tools" / "vansim" / "zumaset-vansim";
}

VansimProcess::VansimProcess(std::vector<std::string> extraArguments) : extraArguments_(std::move(extraArguments)) {
    Start();
}

void VansimProcess::Start() {
    if (outputFd_ >= 0) close(outputFd_);
    outputFd_ = -1;
    exitCode_ = -1;
    const std::string executable = VansimExecutable().string();
    std::vector<std::string> arguments{executable, "--data", data_.path().string(), "--port", "0"};
    arguments.insert(arguments.end(), extraArguments_.begin(), extraArguments_.end());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const int spawned = posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    outputFd_ = fds[0];
    if (spawned != 0) {
        close(outputFd_);
        outputFd_ = -1;
        pid_ = -1;
        throw std::runtime_error("cannot start " + executable);
    }

    try {
        const std::string line = ReadFirstLine(outputFd_);
        static const std::regex format(R"(zumaset-vansim listening on https://127\.0\.0\.1:(\d+) ca=(.+))");
        std::smatch match;
        if (!std::regex_match(line, match, format)) throw std::runtime_error("unexpected first line: " + line);
        port_ = std::stoi(match[1]);
        caPath_ = match[2].str();
    } catch (...) {
        Stop();
        close(outputFd_);
        outputFd_ = -1;
        throw;
    }
}

VansimProcess::~VansimProcess() {
    Stop();
    if (outputFd_ >= 0) close(outputFd_);
}

int VansimProcess::Stop() {
    if (pid_ < 0) return exitCode_;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
}

void VansimProcess::AddAccount(const std::string& user, const std::string& password, bool knownForXml) {
    std::ofstream(data_.path() / "accounts.txt", std::ios::app)
        << user << ':' << password << ':' << (knownForXml ? "xml" : "-") << '\n';
}

void VansimProcess::AddWaitingFile(const std::string& serverPath, const std::string& bytes) {
    const auto file = WaitingFile(serverPath);
    std::filesystem::create_directories(file.parent_path());
    WriteFileBytes(file, bytes);
}

void VansimProcess::AddFaultRule(const std::string& rule) {
    AppendSetting("fault = " + rule);
}

void VansimProcess::SetSetting(const std::string& name, const std::string& value) {
    AppendSetting(name + " = " + value);
}

void VansimProcess::ClearSettings() {
    WriteFileBytes(data_.path() / "vansim.conf", "");
}

void VansimProcess::AppendSetting(const std::string& line) {
    std::ofstream(data_.path() / "vansim.conf", std::ios::app) << line << '\n';
}

std::filesystem::path VansimProcess::Below(const char* area, const std::string& serverPath) const {
    std::filesystem::path file = data_.path() / area;
    for (const auto& part : SplitServerPath(serverPath)) file /= part;
    return file;
}

std::filesystem::path VansimProcess::ReceivedFile(const std::string& serverPath) const {
    return Below("received", serverPath);
}

std::filesystem::path VansimProcess::WaitingFile(const std::string& serverPath) const {
    return Below("outbox", serverPath);
}

std::filesystem::path VansimProcess::DeliveredFile(const std::string& serverPath) const {
    return Below("delivered", serverPath);
}

std::string VansimProcess::RequestLog() const {
    return ReadFileBytes(data_.path() / "requests.log");
}

} // namespace zumaset::test
