#include "client_process.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace zumaset::test {

std::filesystem::path ClientExecutable() {
    const char* buildDir = std::getenv("ZUMASET_BUILD_DIR");
    if (buildDir == nullptr || *buildDir == '\0') throw std::runtime_error("ZUMASET_BUILD_DIR is not set");
    return std::filesystem::path(buildDir) / "src" / "app" / "zumaset";
}

namespace {

bool Headless(const char* entry) {
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "NOTIFY_SOCKET=", "INVOCATION_ID="}) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0) return false;
    }
    return true;
}

// The environment the client runs with: this process's, headless, with
// `added` ("NAME=value") added or replacing what it inherits.
std::vector<std::string> ClientEnvironment(const std::vector<std::string>& added) {
    const auto replaced = [&added](const char* entry) {
        for (const auto& item : added) {
            const auto name = item.substr(0, item.find('=') + 1);
            if (std::strncmp(entry, name.c_str(), name.size()) == 0) return true;
        }
        return false;
    };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (Headless(*entry) && !replaced(*entry)) environment.emplace_back(*entry);
    }
    environment.insert(environment.end(), added.begin(), added.end());
    return environment;
}

std::vector<std::string> ClientArguments(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), ClientExecutable().string());
    return arguments;
}

} // namespace

ClientProcess::ClientProcess(std::vector<std::string> arguments, std::vector<std::string> environment)
    : child_(ClientArguments(std::move(arguments)),
             {.output = dir_.path() / "output", .environment = ClientEnvironment(environment), .endSignal = SIGKILL}) {}

} // namespace zumaset::test
