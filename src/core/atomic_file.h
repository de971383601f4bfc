#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// Replaces `file` with `content` so that a reader sees either the old or the
// new file whole: temporary file in the same folder, fsync, rename, fsync of
// the folder. The folder is created (mode 0700) when missing. Returns 0 or an
// errno value.
int WriteFileAtomically(const std::filesystem::path& file, std::string_view content, unsigned mode = 0600);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

} // namespace zumaset
