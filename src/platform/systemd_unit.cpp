#include "platform/systemd_unit.h"

#include <cstdlib>
#include <unistd.h>

namespace zumaset {

namespace {

std::string Get(const std::map<std::string, std::string>& environment, const std::string& name) {
    const auto found = environment.find(name);
    return found == environment.end() ? std::string() : found->second;
}

std::map<std::string, std::string> ProcessVariables(std::initializer_list<const char*> names) {
    std::map<std::string, std::string> environment;
    for (const char* name : names) {
        if (const char* value = std::getenv(name)) environment[name] = value;
    }
    return environment;
}

} // namespace

UnitPlace UnitPlaceFor(bool root, const std::map<std::string, std::string>& environment) {
    UnitPlace place;
    place.user = !root;
    if (const std::string folder = Get(environment, "ZUMASET_UNIT_DIR"); !folder.empty()) {
        place.folder = folder;
    } else if (root) {
        place.folder = "/etc/systemd/system";
    } else if (const std::string config = Get(environment, "XDG_CONFIG_HOME");
               !config.empty() && std::filesystem::path(config).is_absolute()) {
        place.folder = std::filesystem::path(config) / "systemd" / "user";
    } else {
        place.folder = std::filesystem::path(Get(environment, "HOME")) / ".config" / "systemd" / "user";
    }
    return place;
}

UnitPlace ThisProcessUnitPlace() {
    return UnitPlaceFor(::geteuid() == 0, ProcessVariables({"ZUMASET_UNIT_DIR", "XDG_CONFIG_HOME", "HOME"}));
}

std::string ExecStartWord(const std::filesystem::path& path) {
    std::string word = "\"";
    for (const char c : path.string()) {
        switch (c) {
        case '"': word += "\\\""; break;
        case '\\': word += "\\\\"; break;
        case '%': word += "%%"; break;
        case '$': word += "$$"; break;
        default: word += c;
        }
    }
    return word + "\"";
}

std::string UnitText(const std::filesystem::path& executable, bool user) {
    return "[Unit]\n"
           "Description=Zumaset Service\n"
           "\n"
           "[Service]\n"
           "Type=notify\n"
           "ExecStart=" +
           ExecStartWord(executable) +
           "\n"
           "Restart=on-failure\n"
           // A client that has never been configured ends with 3 at every start.
           "RestartPreventExitStatus=3\n"
           "\n"
           "[Install]\n"
           "WantedBy=" +
           (user ? "default.target" : "multi-user.target") + "\n";
}

bool StartedByServiceManager(const std::map<std::string, std::string>& environment) {
    return !Get(environment, "NOTIFY_SOCKET").empty() || !Get(environment, "INVOCATION_ID").empty();
}

bool StartedByServiceManager() {
    return StartedByServiceManager(ProcessVariables({"NOTIFY_SOCKET", "INVOCATION_ID"}));
}

} // namespace zumaset
