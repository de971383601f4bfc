#include "core/atomic_file.h"

#include "core/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

void SyncFolder(const std::filesystem::path& folder) {
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

int CreateFolderOwnerOnly(const std::filesystem::path& folder) {
    if (folder.empty()) return 0;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const std::filesystem::path parent = folder.lexically_normal().parent_path();
    if (!parent.empty() && parent != folder.lexically_normal()) {
        if (const int err = CreateFolderOwnerOnly(parent); err != 0) return err;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    return 0;
}

int WriteFileAtomically(const std::filesystem::path& file, std::string_view content, unsigned mode) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    if (const int err = CreateFolderOwnerOnly(folder); err != 0) return err;
    std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    UniqueFd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return errno;
    int err = WriteAll(fd.get(), content);
    if (err == 0 && ::fchmod(fd.get(), static_cast<mode_t>(mode)) != 0) err = errno;
    if (err == 0 && ::fsync(fd.get()) != 0) err = errno;
    if (err == 0) err = fd.Close();
    if (err == 0 && ::rename(temp.c_str(), file.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return err;
    }
    SyncFolder(folder);
    return 0;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
    // Only a regular file is read: a folder would make the read fail in the
    // middle, and a pipe could hold the caller for ever (O_NONBLOCK opens it
    // without waiting for a writer, and the check below refuses it).
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return data;
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace zumaset
