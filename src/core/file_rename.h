#pragma once

#include <filesystem>

namespace zumaset {

// Renames a file unless the target name is taken; an existing target is never
// replaced. False when the rename did not happen.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) noexcept;

} // namespace zumaset
