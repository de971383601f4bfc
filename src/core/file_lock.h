#pragma once

#include "core/unique_fd.h"

#include <filesystem>

namespace zumaset {

// An advisory lock (flock) on a lock file, held for the object's lifetime.
// The lock file is created (mode 0600) when missing.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };
    enum class Wait { Block, Try };

    FileLock(const std::filesystem::path& lockFile, Mode mode, Wait wait = Wait::Block);
    ~FileLock() = default; // closing the file releases the lock
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False when the lock file could not be opened or (with Wait::Try) another holder has it.
    bool held() const { return held_; }

private:
    UniqueFd fd_;
    bool held_ = false;
};

} // namespace zumaset
