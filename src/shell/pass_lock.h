#pragma once

#include "core/file_lock.h"
#include "core/unique_fd.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace zumaset {

// The lock every transfer pass holds, so that two passes over the same
// settings (two commands, or a command and the running client) never run at
// once: they would send the same file twice and overwrite each other's
// register. It lives beside the registry file the settings come from.
std::filesystem::path PassLockPath(const std::filesystem::path& registryFile);

// Takes the lock without waiting; nothing when another pass holds it.
std::optional<FileLock> TryLockPasses(const std::filesystem::path& registryFile);

// An exclusive flock on an outbound folder itself, held for the object's
// lifetime. Two passes started with different settings files over the same
// folder would otherwise send its files twice. The lock is on the folder's
// inode, so every spelling of the path (links, "..", "/./") meets the same
// lock, no lock file is left behind, and any folder the user can read works.
// Every folder above it is locked shared, so that a pass over an enclosing
// outbound folder, which scans this one too, finds it busy and the other way
// round.
class FolderLock {
public:
    enum class State { Held, Busy, NoFolder };

    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock() = default; // closing the folders releases the locks
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&&) = delete;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Busy when another pass holds the folder; NoFolder when it cannot be
    // opened (the pass then reports the missing folder itself).
    State state() const { return state_; }

private:
    UniqueFd fd_;
    std::vector<UniqueFd> ancestors_;
    State state_ = State::NoFolder;
};

} // namespace zumaset
