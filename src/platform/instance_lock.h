#pragma once

#include "core/unique_fd.h"

#include <filesystem>
#include <optional>
#include <string>

namespace zumaset {

// The lock that makes one client per settings file: held on <key>.lock in the
// runtime folder for the client's whole life and released when the process
// ends, however it ends.
//
// An open-file-description lock (F_OFD_SETLK) rather than flock: it behaves
// the same (owned by the open file, released on its last close, not passed to
// programs the client starts, whose descriptors close on exec), and it can be
// tested with F_OFD_GETLK without taking it, so asking whether a client runs
// never makes a client that is starting at that moment believe it is the
// second one.
class InstanceLock {
public:
    // Takes the lock without waiting; nothing when another process holds it
    // or when the lock cannot be taken at all (the runtime folder refused,
    // the lock file unusable): then `error`, when given, says why, and stays
    // empty when another process simply holds the lock.
    static std::optional<InstanceLock> TryAcquire(const std::filesystem::path& registryFile,
                                                  std::string* error = nullptr);
    // Whether a process holds the lock of this settings file.
    static bool Running(const std::filesystem::path& registryFile);

    InstanceLock(InstanceLock&&) noexcept = default;
    InstanceLock& operator=(InstanceLock&&) noexcept = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock() = default; // closing the file releases the lock

    const std::filesystem::path& registryFile() const { return registryFile_; }

private:
    InstanceLock(std::filesystem::path registryFile, UniqueFd fd)
        : registryFile_(std::move(registryFile)), fd_(std::move(fd)) {}

    std::filesystem::path registryFile_;
    UniqueFd fd_;
};

} // namespace zumaset
