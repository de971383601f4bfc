#include "exchange/pending_file.h"

#include "core/atomic_file.h"
#include "core/file_rename.h"
#include "core/numbered_backup.h"
#include "core/unique_fd.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace {

constexpr int kNameAttempts = 16;
constexpr std::string_view kTempPrefix = ".zumaset-";
constexpr std::string_view kTempSuffix = ".part";
constexpr std::size_t kTempRandomLength = 12;

std::string RandomSuffix() {
    std::random_device random;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    for (std::size_t i = 0; i < kTempRandomLength; ++i) suffix += kDigits[random() % 16];
    return suffix;
}

// True when both files hold the same bytes.
bool SameContent(const std::string& a, const std::string& b) {
    const UniqueFd first(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    const UniqueFd second(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat infoA {};
    struct stat infoB {};
    if (first.get() < 0 || second.get() < 0 || ::fstat(first.get(), &infoA) != 0 || ::fstat(second.get(), &infoB) != 0)
        return false;
    if (!S_ISREG(infoA.st_mode) || !S_ISREG(infoB.st_mode) || infoA.st_size != infoB.st_size) return false;
    std::array<char, 65536> bufferA{};
    std::array<char, 65536> bufferB{};
    while (true) {
        const ssize_t n = ::read(first.get(), bufferA.data(), bufferA.size());
        if (n < 0) return false;
        if (n == 0) return true;
        ssize_t got = 0;
        while (got < n) {
            const ssize_t m = ::read(second.get(), bufferB.data() + got, static_cast<std::size_t>(n - got));
            if (m <= 0) return false;
            got += m;
        }
        if (std::char_traits<char>::compare(bufferA.data(), bufferB.data(), static_cast<std::size_t>(n)) != 0)
            return false;
    }
}

} // namespace

bool IsPendingFileName(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempRandomLength + kTempSuffix.size()) return false;
    if (!name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) return false;
    for (const char c : name.substr(kTempPrefix.size(), kTempRandomLength)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

PendingFile::PendingFile(std::string_view folder, std::string_view name)
    : target_(std::string(folder) + std::string(name)) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        // The name starts with "." so that folder watchers and users skip it.
        temp_ = std::string(folder) + std::string(kTempPrefix) + RandomSuffix() + std::string(kTempSuffix);
        // Mode 0666 lets the user's umask decide, as for any file the user creates.
        fd_.reset(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd_.valid() || errno != EEXIST) break;
    }
    if (!fd_.valid()) {
        error_ = errno;
        temp_.clear();
        return;
    }
    // Held until the file is closed: the clean-up of a later pass leaves a
    // locked temporary file alone.
    ::flock(fd_.get(), LOCK_EX | LOCK_NB);
}

PendingFile::~PendingFile() {
    Discard();
}

bool PendingFile::Write(std::string_view bytes) {
    if (!fd_.valid()) return false;
    if (const int err = WriteAll(fd_.get(), bytes); err != 0) {
        error_ = err;
        return false;
    }
    return true;
}

// Gives the temporary file the target's name without losing what had it.
int PendingFile::Place() {
    int result = MoveNoReplace(temp_, target_);
    if (result != EEXIST) return result;
    struct stat existing {};
    if (::lstat(target_.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return EISDIR;
    if (SameContent(temp_, target_)) {
        // The same file again (an acknowledgement that was lost): nothing to keep twice.
        ::unlink(temp_.c_str());
        return 0;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        backup_ = NextNumberedBackupName(target_).string();
        // A second name for the existing file first, so that the target's
        // name never stands empty; the rename then replaces only that name.
        if (::link(target_.c_str(), backup_.c_str()) == 0) {
            if (::rename(temp_.c_str(), target_.c_str()) == 0) return 0;
            result = errno;
            ::unlink(backup_.c_str());
            backup_.clear();
            return result;
        }
        if (errno == EEXIST) continue;
        // No hard links here: move the existing file aside, then take its name.
        result = MoveNoReplace(target_, backup_);
        if (result == EEXIST) continue;
        if (result != 0) break;
        result = MoveNoReplace(temp_, target_);
        if (result == 0) return 0;
        ::rename(backup_.c_str(), target_.c_str());
        break;
    }
    backup_.clear();
    return result != 0 ? result : EEXIST;
}

bool PendingFile::Commit() {
    if (!fd_.valid()) return false;
    if (::fsync(fd_.get()) != 0) error_ = errno;
    if (error_ == 0) error_ = Place();
    if (error_ != 0) {
        Discard();
        return false;
    }
    temp_.clear();
    if (const int err = fd_.Close(); err != 0) error_ = err;
    // Make the new names durable.
    const std::string folder = target_.substr(0, target_.rfind('/') + 1);
    SyncFolder(folder.empty() ? "." : folder);
    return true;
}

void PendingFile::Discard() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    fd_.reset();
}

namespace {

// Removes one stale temporary file unless its writer still holds it.
bool RemoveIfUnlocked(const std::filesystem::path& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    return ::unlink(path.c_str()) == 0;
}

} // namespace

int RemoveStalePendingFiles(const std::string& folder, bool recursive) {
    namespace fs = std::filesystem;
    if (folder.empty()) return 0;
    int removed = 0;
    std::error_code error;
    auto consider = [&](const fs::directory_entry& entry) {
        std::error_code ignored;
        if (IsPendingFileName(entry.path().filename().string()) && entry.is_regular_file(ignored) &&
            !entry.is_symlink(ignored) && RemoveIfUnlocked(entry.path()))
            ++removed;
    };
    const auto options = fs::directory_options::skip_permission_denied;
    if (recursive) {
        fs::recursive_directory_iterator it(folder, options, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) consider(*it);
    } else {
        fs::directory_iterator it(folder, options, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) consider(*it);
    }
    return removed;
}

} // namespace zumaset
