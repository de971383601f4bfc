#include "core/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace zumaset {

FileLock::FileLock(const std::filesystem::path& lock_file, Mode mode, Wait wait) {
    fd_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    int op = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | (wait == Wait::Try ? LOCK_NB : 0);
    int rc;
    do {
        rc = ::flock(fd_, op);
    } while (rc != 0 && errno == EINTR);
    held_ = rc == 0;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), held_(std::exchange(other.held_, false)) {}

} // namespace zumaset
