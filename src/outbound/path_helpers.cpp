#include "outbound/path_helpers.h"

#include "core/text.h"
#include "core/unique_fd.h"

#include <fnmatch.h>

namespace zumaset {

std::string AddBackslash(std::string_view path) {
    if (path.empty()) return {};
    const std::string trimmed = TrimBlanks(path);
    return trimmed.empty() ? std::string(1, kPathSeparator) : WithTrailingSeparator(trimmed);
}

std::string StripBackslash(std::string_view path) {
    if (!path.empty() && path.back() == kPathSeparator) path.remove_suffix(1);
    return std::string(path);
}

std::string CutAtNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

bool FolderHasMatch(std::string_view folder, std::string_view pattern) {
    const std::string dirPath = folder.empty() ? std::string(".") : AddBackslash(folder);
    UniqueDir dir(::opendir(dirPath.c_str()));
    if (!dir) return false;
    // "*.*" stands for every name, also names without a dot.
    const std::string wildcard = pattern == "*.*" ? std::string("*") : std::string(pattern);
    while (const dirent* entry = ::readdir(dir.get())) {
        if (::fnmatch(wildcard.c_str(), entry->d_name, FNM_CASEFOLD) == 0) return true;
    }
    return false;
}

std::string RelativeFolder(std::string_view sourcePath, std::string_view folderPath) {
    if (folderPath.size() <= sourcePath.size()) return {};
    return std::string(folderPath.substr(sourcePath.size()));
}

} // namespace zumaset
