#include "exchange/pending_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace zumaset {

namespace {

constexpr int kNameAttempts = 16;

std::string RandomSuffix() {
    std::random_device random;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    for (int i = 0; i < 12; ++i) suffix += kDigits[random() % 16];
    return suffix;
}

} // namespace

PendingFile::PendingFile(std::string_view folder, std::string_view name)
    : target_(std::string(folder) + std::string(name)) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        // The name starts with "." so that folder watchers and users skip it.
        temp_ = std::string(folder) + ".zumaset-" + RandomSuffix() + ".part";
        // Mode 0666 lets the user's umask decide, as for any file the user creates.
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
        error_ = errno;
        temp_.clear();
    }
}

PendingFile::~PendingFile() { Discard(); }

bool PendingFile::Write(std::string_view bytes) {
    if (fd_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool PendingFile::Commit() {
    if (fd_ < 0) return false;
    if (::fsync(fd_) != 0) error_ = errno;
    if (::close(fd_) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
    if (error_ == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) error_ = errno;
    if (error_ != 0) {
        Discard();
        return false;
    }
    temp_.clear();
    // Make the rename itself durable.
    const std::string folder = target_.substr(0, target_.rfind('/') + 1);
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void PendingFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

} // namespace zumaset
