#include "outbound/archive_copy.h"

#include "core/atomic_file.h"
#include "core/file_error.h"
#include "core/file_rename.h"
#include "core/numbered_backup.h"
#include "core/system_error_text.h"
#include "core/unique_fd.h"
#include "outbound/path_helpers.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace zumaset {

namespace {

constexpr int kMaxSameNameSuffix = 1000;
constexpr std::size_t kCopyBuffer = 1 << 17;
// The archive copy of NAME is written to ".NAME" + this suffix in the target
// folder: one fixed name per target, so the work file of a copy cut short by
// a kill is found (and taken over) by the next copy of that name into that
// folder, without listing the folder.
constexpr std::string_view kWorkFileSuffix = ".zumaset-part";
// Each retry means another copy of the same name finished meanwhile.
constexpr int kMaxWorkFileTries = 100;

// A temporary file that is removed unless it was given its final name.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!kept_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

// Copies every byte of `from` to `to`: 0, an errno value, or EIO when the
// source ended early.
int CopyBytes(int from, int to, std::uint64_t size) {
    std::vector<char> buffer(kCopyBuffer);
    std::uint64_t done = 0;
    while (done < size) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - done));
        const ssize_t got = ::read(from, buffer.data(), want);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return EIO;
        if (const int error = WriteAll(to, std::string_view(buffer.data(), static_cast<std::size_t>(got))); error != 0)
            return error;
        done += static_cast<std::uint64_t>(got);
    }
    return 0;
}

// Opens the work file `workName` in the open folder and locks it for this
// copy: a running copy holds the lock on its work file, so another copy of the
// same name waits for it; a work file nobody holds was left by a copy that was
// killed and is taken over, emptied. Never follows a link. 0 with `fd` set, or
// an errno value.
int OpenWorkFile(int folderFd, const std::string& workName, UniqueFd& fd) {
    for (int tries = 0; tries < kMaxWorkFileTries; ++tries) {
        UniqueFd work(
            ::openat(folderFd, workName.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        if (work.get() < 0) return errno;
        while (::flock(work.get(), LOCK_EX) != 0) {
            if (errno != EINTR) return errno;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(work.get(), &held) != 0) return errno;
        if (!S_ISREG(held.st_mode)) return EINVAL;
        // The copy that held it may have given the file its final name or
        // removed it before letting go: then start again with a fresh one.
        if (::fstatat(folderFd, workName.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_dev != held.st_dev ||
            named.st_ino != held.st_ino) {
            continue;
        }
        if (::ftruncate(work.get(), 0) != 0) return errno;
        fd = std::move(work);
        return 0;
    }
    return EBUSY;
}

// Copies and checks the copy's size against the source's (used when a move
// crosses file systems).
FileStepResult CopyChecked(const fs::path& from, const fs::path& to, fs::copy_options options) {
    std::error_code error;
    const auto sourceSize = fs::file_size(from, error);
    if (error) return FileErrorCode(error.value());
    if (!fs::copy_file(from, to, options, error)) return FileErrorCode(error ? error.value() : EIO);
    const auto copySize = fs::file_size(to, error);
    if (error || copySize != sourceSize) return kFileIoError;
    return 0;
}

} // namespace

FileStepResult ArchiveCopy(std::string_view archivPath, std::string_view relativeFolder, std::string_view folderPath,
                           std::string_view fileName, const FileIdentity& sent, fs::path* backup) {
    // Without an archive folder the copy would land relative to the working folder.
    if (archivPath.empty()) return fileerr::kPathNotFound;
    const std::string base(archivPath);
    for (std::size_t cut = relativeFolder.find(kPathSeparator); cut != std::string_view::npos;
         cut = relativeFolder.find(kPathSeparator, cut + 1)) {
        // An existing level is fine; a level that cannot be made shows in the copy.
        ::mkdir((base + std::string(relativeFolder.substr(0, cut + 1))).c_str(), 0777);
    }
    const fs::path folder = base + std::string(relativeFolder);
    std::error_code error;
    if (!fs::is_directory(folder, error)) return fileerr::kPathNotFound;
    const fs::path target = folder / std::string(fileName);

    const std::string sourcePath = std::string(folderPath) + std::string(fileName);
    const UniqueFd source(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (source.get() < 0) return errno == ELOOP ? kSourceChanged : FileErrorCode(errno);
    struct stat info {};
    if (::fstat(source.get(), &info) != 0) return FileErrorCode(errno);
    if (IdentityOf(info) != sent) return kSourceChanged;
    // The archive is the outbound folder itself: a file cannot be its own copy.
    if (const auto existing = IdentityOfPath(target);
        existing && existing->device == sent.device && existing->inode == sent.inode) {
        return FileErrorCode(EEXIST);
    }

    const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0) return FileErrorCode(errno);
    const std::string workName = "." + std::string(fileName) + std::string(kWorkFileSuffix);
    UniqueFd copy;
    if (const int opened = OpenWorkFile(folderFd.get(), workName, copy); opened != 0) return FileErrorCode(opened);
    // Holds the lock until the work file has its final name or is gone, after
    // `copy` is closed (a lock lasts while any descriptor of the opening does).
    const UniqueFd lock(::dup(copy.get()));
    if (lock.get() < 0) return FileErrorCode(errno);
    TempFile made((folder / workName).string());
    int failure = CopyBytes(source.get(), copy.get(), sent.size);
    if (failure == 0 && IdentityOfOpenFile(source.get()) != sent) return kSourceChanged;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (failure == 0 && ::fchmod(copy.get(), info.st_mode & 0777) != 0) failure = errno;
    if (failure == 0 && ::futimens(copy.get(), times) != 0) failure = errno;
    if (failure == 0 && ::fsync(copy.get()) != 0) failure = errno;
    if (const int closed = copy.Close(); failure == 0) failure = closed;
    if (failure == 0) failure = PlaceWithNumberedBackup(made.path(), target, backup);
    if (failure != 0) return FileErrorCode(failure);
    made.Keep();
    SyncFolder(folder);
    return 0;
}

FileStepResult RemoveSent(std::string_view folderPath, std::string_view fileName, const FileIdentity& sent) {
    const UniqueFd folder(::open(std::string(folderPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return errno == ENOENT || errno == ENOTDIR ? kSourceChanged : FileErrorCode(errno);
    const std::string name(fileName);
    struct stat info {};
    if (::fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? kSourceChanged : FileErrorCode(errno);
    }
    if (!S_ISREG(info.st_mode) || IdentityOf(info) != sent) return kSourceChanged;
    // A writer that replaces the file between these two calls still loses its
    // version: POSIX has no removal on condition of the inode.
    if (::unlinkat(folder.get(), name.c_str(), 0) != 0) return FileErrorCode(errno);
    return 0;
}

FileStepResult KeepUnarchived(const fs::path& keepRoot, std::string_view relativeFolder, std::string_view folderPath,
                              std::string_view fileName, fs::path& movedTo) {
    const fs::path source = std::string(folderPath) + std::string(fileName);
    const fs::path folder = keepRoot / std::string(relativeFolder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return FileErrorCode(error.value());
    for (int suffix = 0; suffix <= kMaxSameNameSuffix; ++suffix) {
        const fs::path target =
            folder / (std::string(fileName) + (suffix == 0 ? std::string() : "." + std::to_string(suffix)));
        if (RenameNoReplace(source, target)) {
            movedTo = target;
            return 0;
        }
        if (errno == EXDEV) {
            // Another file system: copy (never over an existing name), then drop the source.
            if (fs::exists(fs::symlink_status(target, error))) continue;
            if (const FileStepResult copied = CopyChecked(source, target, fs::copy_options::none); copied != 0) {
                fs::remove(target, error);
                return copied;
            }
            if (!fs::remove(source, error)) {
                // Keep exactly one copy: the source stays, so the file is sent again.
                const long code = FileErrorCode(error ? error.value() : ENOENT);
                fs::remove(target, error);
                return code;
            }
            movedTo = target;
            return 0;
        }
        if (errno != EEXIST) return FileErrorCode(errno);
    }
    return FileErrorCode(EEXIST);
}

} // namespace zumaset
