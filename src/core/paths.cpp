#include "core/paths.h"

#include <cstdlib>

namespace zumaset {

namespace {

// The folder below an absolute XDG value, or below `fallback` in the home folder.
std::filesystem::path XdgFolder(const Environment& env, std::string_view xdgName,
                                const std::filesystem::path& fallback) {
    if (const auto xdg = env.find(xdgName); xdg != env.end() && xdg->second.starts_with('/')) {
        return std::filesystem::path(xdg->second) / "zumaset";
    }
    const auto home = env.find("HOME");
    const std::filesystem::path base = (home != env.end() && !home->second.empty()) ? home->second : ".";
    return base / fallback / "zumaset";
}

} // namespace

Environment ProcessEnvironment() {
    Environment env;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        if (const char* value = std::getenv(name)) env.emplace(name, value);
    }
    return env;
}

std::filesystem::path ConfigFolderFrom(const Environment& env) {
    return XdgFolder(env, "XDG_CONFIG_HOME", ".config");
}

std::filesystem::path DataFolderFrom(const Environment& env) {
    return XdgFolder(env, "XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

std::filesystem::path CaFolderFrom(const Environment& env) {
    return ConfigFolderFrom(env) / "ca";
}

Paths PathsFrom(const Environment& env) {
    return {ConfigFolderFrom(env), DataFolderFrom(env), CaFolderFrom(env)};
}

std::filesystem::path ConfigFolder() {
    return ConfigFolderFrom(ProcessEnvironment());
}

std::filesystem::path DataFolder() {
    return DataFolderFrom(ProcessEnvironment());
}

} // namespace zumaset
