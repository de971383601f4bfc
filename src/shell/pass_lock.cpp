#include "shell/pass_lock.h"

namespace zumaset {

std::filesystem::path PassLockPath(const std::filesystem::path& registryFile) {
    auto path = registryFile;
    path += ".pass.lock";
    return path;
}

std::optional<FileLock> TryLockPasses(const std::filesystem::path& registryFile) {
    std::error_code ec;
    if (registryFile.has_parent_path()) std::filesystem::create_directories(registryFile.parent_path(), ec);
    FileLock lock(PassLockPath(registryFile), FileLock::Mode::Exclusive, FileLock::Wait::Try);
    if (!lock.held()) return std::nullopt;
    return lock;
}

} // namespace zumaset
