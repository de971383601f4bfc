#pragma once

#include <filesystem>

namespace zumaset {

// Renames a file unless the target name is taken; an existing target is never
// replaced. Returns 0, or the errno value of the failure (EEXIST when the
// target name is taken).
int MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) noexcept;

// MoveNoReplace for callers that only need to know whether the rename happened.
inline bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) noexcept {
    return MoveNoReplace(from, to) == 0;
}

} // namespace zumaset
