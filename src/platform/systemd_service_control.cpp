#include "platform/systemd_service_control.h"

#include "core/atomic_file.h"

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace zumaset {

namespace {

constexpr unsigned kUnitFileMode = 0644;

std::string ThisUserName() {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return std::to_string(::geteuid());
}

} // namespace

int RunAndWait(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const auto& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, pointers.front(), nullptr, nullptr, pointers.data(), environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool SystemdServiceControl::Systemctl(std::initializer_list<std::string_view> arguments) const {
    std::vector<std::string> argv{"systemctl"};
    if (options_.place.user) argv.emplace_back("--user");
    for (const auto argument : arguments) argv.emplace_back(argument);
    return options_.run(argv) == 0;
}

bool SystemdServiceControl::Install() {
    if (options_.executable.empty()) return false;
    const auto unit = options_.place.file();
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(unit, error))) return false;
    if (WriteFileAtomically(unit, UnitText(options_.executable, options_.place.user), kUnitFileMode) != 0) {
        return false;
    }
    if (Systemctl({"daemon-reload"}) && Systemctl({"enable", kUnitFileName})) return true;
    // A unit the manager would not take is not left behind as if installed.
    std::filesystem::remove(unit, error);
    Systemctl({"daemon-reload"});
    return false;
}

bool SystemdServiceControl::Uninstall() {
    const auto unit = options_.place.file();
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(unit, error))) return false;
    // Disabling removes the links the enabling made; without them the unit goes cleanly.
    if (!Systemctl({"disable", kUnitFileName})) return false;
    if (!std::filesystem::remove(unit, error)) return false;
    Systemctl({"daemon-reload"});
    return true;
}

std::string SystemdServiceControl::InstalledNote() const {
    if (!options_.place.user) return {};
    return "Aby služba běžela i bez přihlášení uživatele, spusťte: loginctl enable-linger " + options_.userName;
}

SystemdServiceControl::Options ThisProcessServiceOptions() {
    SystemdServiceControl::Options options;
    options.place = ThisProcessUnitPlace();
    std::error_code error;
    options.executable = std::filesystem::read_symlink("/proc/self/exe", error);
    options.userName = ThisUserName();
    return options;
}

} // namespace zumaset
