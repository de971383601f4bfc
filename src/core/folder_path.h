#pragma once

#include <string>
#include <string_view>

namespace zumaset {

// The folder separator of local paths; folder paths end with it.
inline constexpr char kPathSeparator = '/';

// The folder path with the separator appended when it does not end with one
// already; an empty path stays empty (it stands for "no folder").
inline std::string WithTrailingSeparator(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != kPathSeparator) out += kPathSeparator;
    return out;
}

} // namespace zumaset
