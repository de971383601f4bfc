#pragma once

#include <filesystem>

namespace zumaset {

// The folder where the client keeps data of its own that is neither settings
// nor logs: $XDG_DATA_HOME/zumaset, or ~/.local/share/zumaset when that
// variable is unset, empty or not an absolute path.
std::filesystem::path DataFolder();

// The same rule with the two environment values given (null = unset).
std::filesystem::path DataFolderFrom(const char* xdgDataHome, const char* home);

} // namespace zumaset
