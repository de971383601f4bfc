#include "outbound/path_helpers.h"

#include "core/text.h"

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

std::string RelativeFolder(std::string_view sourcePath, std::string_view folderPath) {
    if (folderPath.size() <= sourcePath.size()) return {};
    return std::string(folderPath.substr(sourcePath.size()));
}

} // namespace zumaset
