#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace zumaset {

// The unit file's name and where it goes: the user's own units for a normal
// user, the system's units for root; ZUMASET_UNIT_DIR replaces the folder.
inline constexpr std::string_view kUnitFileName = "zumaset.service";

struct UnitPlace {
    std::filesystem::path folder;
    bool user = true; // a user unit: systemctl --user, started at the user's login
    std::filesystem::path file() const { return folder / kUnitFileName; }
};

// The place for a process of this user (`root`: effective uid 0) with this
// environment (ZUMASET_UNIT_DIR, XDG_CONFIG_HOME, HOME).
UnitPlace UnitPlaceFor(bool root, const std::map<std::string, std::string>& environment);
// The same for this process.
UnitPlace ThisProcessUnitPlace();

// The unit that runs `executable` with no arguments as a notify service,
// restarted when it fails (not when it ends because it has not been
// configured), enabled for the user's session or for the multi-user target.
std::string UnitText(const std::filesystem::path& executable, bool user);

// A path as one word of an ExecStart line: quoted, with the characters the
// service manager would expand or end the word at escaped.
std::string ExecStartWord(const std::filesystem::path& path);

// The environment says the service manager started this process: it gave a
// notify socket or an invocation id.
bool StartedByServiceManager(const std::map<std::string, std::string>& environment);
bool StartedByServiceManager();

} // namespace zumaset
