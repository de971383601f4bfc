#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace zumaset {

// Environment variables by name; a name that is absent is unset.
using Environment = std::map<std::string, std::string, std::less<>>;

// The variables the client's folders depend on (HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME), read from this process's environment.
Environment ProcessEnvironment();

// The folders the client keeps its own files in, computed once at start-up.
struct Paths {
    std::filesystem::path config; // the settings file
    std::filesystem::path data;   // data that is neither settings nor logs
    std::filesystem::path ca;     // certificates trusted besides the system's
};

// $XDG_CONFIG_HOME/zumaset, or ~/.config/zumaset. An XDG value that is empty
// or not an absolute path is ignored (it would depend on the working folder);
// an unset or empty HOME stands for the working folder.
std::filesystem::path ConfigFolderFrom(const Environment& env);
// $XDG_DATA_HOME/zumaset, or ~/.local/share/zumaset, by the same rule.
std::filesystem::path DataFolderFrom(const Environment& env);
// The "ca" folder in the configuration folder.
std::filesystem::path CaFolderFrom(const Environment& env);
Paths PathsFrom(const Environment& env);

// The same folders for this process's environment, for the callers that are
// not handed a Paths value.
std::filesystem::path ConfigFolder();
std::filesystem::path DataFolder();

} // namespace zumaset
