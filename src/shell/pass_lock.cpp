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

namespace {

enum class Flock { Held, Busy, Failed };

Flock TryFlock(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) return Flock::Held;
    return errno == EWOULDBLOCK ? Flock::Busy : Flock::Failed;
}

} // namespace

FolderLock::FolderLock(const std::filesystem::path& folder) {
    fd_.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd_.valid()) return;
    const Flock own = TryFlock(fd_.get(), LOCK_EX);
    if (own == Flock::Busy) state_ = State::Busy;
    // Any other flock failure (a file system without locks) leaves NoFolder:
    // the pass runs unprotected, as it did before this lock existed.
    if (own != Flock::Held) return;
    state_ = State::Held;
    // A shared lock on every folder above it: a pass over an enclosing folder
    // (which scans this one too) takes that folder exclusively, so nested
    // passes find each other busy in either order, while passes over sibling
    // folders share their common ancestors.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(folder, error);
    if (error) return;
    for (std::filesystem::path above = real.parent_path(); !above.empty(); above = above.parent_path()) {
        // An ancestor that cannot be opened (no read access) is passed over.
        UniqueFd fd(::open(above.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.valid()) {
            ancestors_.push_back(std::move(fd));
            if (TryFlock(ancestors_.back().get(), LOCK_SH) == Flock::Busy) {
                state_ = State::Busy;
                return;
            }
        }
        if (above == above.root_path()) break;
    }
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(std::move(other.fd_)), ancestors_(std::exchange(other.ancestors_, {})),
      state_(std::exchange(other.state_, State::NoFolder)) {}

} // namespace zumaset
