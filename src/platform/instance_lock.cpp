#include "platform/instance_lock.h"

#include "platform/instance_paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace zumaset {

namespace {

// The whole file, written: the lock's range.
struct flock WholeFile(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 0;
    return range;
}

int Control(int fd, int command, struct flock* range) {
    int rc;
    do {
        rc = ::fcntl(fd, command, range);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

std::optional<InstanceLock> InstanceLock::TryAcquire(const std::filesystem::path& registryFile, std::string* error) {
    auto fail = [error](std::string why) {
        if (error != nullptr) *error = std::move(why);
        return std::nullopt;
    };
    if (error != nullptr) error->clear();
    InstanceFiles files = InstanceFilesFor(registryFile);
    if (files.lock.empty()) return fail(files.error);
    UniqueFd fd(::open(files.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) return fail("cannot open " + files.lock.string() + ": " + std::strerror(errno));
    struct flock range = WholeFile(F_WRLCK);
    if (Control(fd.get(), F_OFD_SETLK, &range) != 0) {
        if (errno == EAGAIN || errno == EACCES) return std::nullopt; // another process holds it
        return fail("cannot lock " + files.lock.string() + ": " + std::strerror(errno));
    }
    return InstanceLock(registryFile, std::move(fd));
}

bool InstanceLock::Running(const std::filesystem::path& registryFile) {
    InstanceFiles files = InstanceFilesFor(registryFile);
    if (files.lock.empty()) return false;
    UniqueFd fd(::open(files.lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) return false; // no lock file: no client has ever run
    // F_OFD_GETLK reports a conflicting lock without taking one; a write
    // lock is asked about so that any holder conflicts.
    struct flock range = WholeFile(F_WRLCK);
    if (Control(fd.get(), F_OFD_GETLK, &range) != 0) return false;
    return range.l_type != F_UNLCK;
}

} // namespace zumaset
