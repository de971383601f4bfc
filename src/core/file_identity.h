#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace zumaset {

// The file itself as the file system knows it, whatever path leads to it.
struct FileNode {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileNode&) const = default;
};

// What tells one version of a file from another: the same device and inode
// with the same size, modification time and change time. Any write, truncation
// or replacement of the file changes at least one of them.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileIdentity&) const = default;
    FileNode node() const { return FileNode{device, inode}; }
};

FileIdentity IdentityOf(const struct stat& info);

// The identity of the regular file the path names, without following a final
// symbolic link; nothing when the path is missing, a link or not a regular file.
std::optional<FileIdentity> IdentityOfPath(const std::filesystem::path& path);

// The identity of an open file; nothing when it cannot be read or is not a
// regular file.
std::optional<FileIdentity> IdentityOfOpenFile(int fd);

} // namespace zumaset
