#include "shell/pass_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace zumaset {

std::filesystem::path PassLockPath(const std::filesystem::path& registryFile) {
    auto path = registryFile;
    path += ".pass.lock";
    return path;
}

std::optional<FileLock> TryLockPasses(const std::filesystem::path& registryFile) {
    std::error_code ec;
    if (registryFile.has_parent_path()) std::filesystem::create_directories(registryFile.parent_path(), ec);
    FileLock lock(PassLockPath(registryFile), FileLock::Mode::Exclusive, FileLock::Wait::Try);
    if (!lock.held()) return std::nullopt;
    return lock;
}

FolderLock::FolderLock(const std::filesystem::path& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        state_ = State::Held;
    } else if (errno == EWOULDBLOCK) {
        state_ = State::Busy;
    }
    // Any other flock failure (a file system without locks) leaves NoFolder:
    // the pass runs unprotected, as it did before this lock existed.
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), state_(std::exchange(other.state_, State::NoFolder)) {}

} // namespace zumaset
