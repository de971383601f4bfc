#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// Creates `folder` and every missing parent of it, each owner-only (mode
// 0700); folders that exist are left as they are. Returns 0 or an errno value
// (ENOTDIR when a file stands where a folder should be).
int CreateFolderOwnerOnly(const std::filesystem::path& folder);

// Replaces `file` with `content` so that a reader sees either the old or the
// new file whole: temporary file in the same folder, fsync, rename, fsync of
// the folder. The folder and its missing parents are created (mode 0700). A
// link in the file's place is replaced, never followed. Returns 0 or an errno
// value.
int WriteFileAtomically(const std::filesystem::path& file, std::string_view content, unsigned mode = 0600);

// Writes all of `data` to the open file, again after an interruption or a
// short write. Returns 0 or an errno value.
int WriteAll(int fd, std::string_view data);

// Flushes the folder's entries to disk, so that names just created, renamed or
// removed in it survive a crash. Best effort: failures are ignored.
void SyncFolder(const std::filesystem::path& folder);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

} // namespace zumaset
