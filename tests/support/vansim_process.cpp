#include "vansim_process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <regex>
#include <stdexcept>
#include <unistd.h>

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

// The built simulator: $ZUMASET_BUILD_DIR/tools/vansim/zumaset-vansim (ctest
// sets the variable; without it the build folder this was compiled for).
std::filesystem::path VansimExecutable() {
    const char* buildDir = std::getenv("ZUMASET_BUILD_DIR");
#ifdef ZUMASET_DEFAULT_BUILD_DIR
    if (buildDir == nullptr || *buildDir == '\0') buildDir = ZUMASET_DEFAULT_BUILD_DIR;
#endif
    if (buildDir == nullptr || *buildDir == '\0') throw std::runtime_error("ZUMASET_BUILD_DIR is not set");
    return std::filesystem::path(buildDir) / "tools" / "vansim" / "zumaset-vansim";
}

} // namespace

VansimProcess::VansimProcess(std::vector<std::string> extraArguments) {
    std::vector<std::string> arguments{VansimExecutable().string(), "--data", data_.path().string(), "--port", "0"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    output_.reset(fds[0]); // kept open: the simulator may write more lines
    {
        const UniqueFd written(fds[1]);
        child_.emplace(std::move(arguments), ChildProcess::Options{.outputFd = written.get()});
    }
    const std::string line = ReadFirstLine(output_.get());
    static const std::regex format(R"(zumaset-vansim listening on https://127\.0\.0\.1:(\d+) ca=(.+))");
    std::smatch match;
    if (!std::regex_match(line, match, format)) throw std::runtime_error("unexpected first line: " + line);
    port_ = std::stoi(match[1]);
    caPath_ = match[2].str();
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
