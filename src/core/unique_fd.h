#pragma once

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <unistd.h>
#include <utility>

namespace zumaset {

// Owns one file descriptor and closes it when destroyed. Negative means none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }

    // Gives up ownership without closing.
    int release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor held (its close error is lost; call Close() to see it)
    // and takes `fd`.
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

    // Closes the descriptor held and returns 0 or the errno of close(2).
    int Close() noexcept {
        if (fd_ < 0) return 0;
        return ::close(release()) == 0 ? 0 : errno;
    }

private:
    int fd_ = -1;
};

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

// Owns an open folder listing (opendir/fdopendir) and closes it when destroyed.
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

} // namespace zumaset
