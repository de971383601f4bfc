#pragma once

#include <csignal>
#include <sys/resource.h>

namespace zumaset::test {

// Lowers the largest file this process may write for the object's lifetime.
// A write past it fails with EFBIG (as on a full disk) instead of raising
// SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        applied_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool applied() const { return applied_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool applied_ = false;
};

} // namespace zumaset::test
