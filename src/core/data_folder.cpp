#include "core/data_folder.h"

#include <cstdlib>

namespace zumaset {

std::filesystem::path DataFolderFrom(const char* xdgDataHome, const char* home) {
    // A relative value is to be ignored: it would depend on the working folder.
    if (xdgDataHome != nullptr && *xdgDataHome == '/') return std::filesystem::path(xdgDataHome) / "zumaset";
    const std::filesystem::path base = (home != nullptr && *home != '\0') ? home : ".";
    return base / ".local" / "share" / "zumaset";
}

std::filesystem::path DataFolder() { return DataFolderFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")); }

} // namespace zumaset
