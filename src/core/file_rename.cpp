#include "core/file_rename.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

int MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) noexcept {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    // The file system cannot rename without replacing; a hard link fails on an
    // existing name, and removing the old name then completes the move.
    if (::link(from.c_str(), to.c_str()) != 0) {
        if (errno == EEXIST) return EEXIST;
        // No hard links either: check the name, then rename (a small window remains).
        struct stat taken {};
        if (::lstat(to.c_str(), &taken) == 0) return EEXIST;
        if (errno != ENOENT) return errno;
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    if (::unlink(from.c_str()) != 0) {
        const int err = errno;
        ::unlink(to.c_str());
        return err;
    }
    return 0;
}

} // namespace zumaset
