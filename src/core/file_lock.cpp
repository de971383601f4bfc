#include "core/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace zumaset {

FileLock::FileLock(const std::filesystem::path& lockFile, Mode mode, Wait wait) {
    fd_.reset(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd_.valid()) return;
    int op = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | (wait == Wait::Try ? LOCK_NB : 0);
    int rc;
    do {
        rc = ::flock(fd_.get(), op);
    } while (rc != 0 && errno == EINTR);
    held_ = rc == 0;
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::move(other.fd_)), held_(std::exchange(other.held_, false)) {}

} // namespace zumaset
