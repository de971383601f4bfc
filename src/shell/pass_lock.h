#pragma once

#include "core/file_lock.h"

#include <filesystem>
#include <optional>

namespace zumaset {

// The lock every transfer pass holds, so that two passes over the same
// settings (two commands, or a command and the running client) never run at
// once: they would send the same file twice and overwrite each other's
// register. It lives beside the registry file the settings come from.
std::filesystem::path PassLockPath(const std::filesystem::path& registryFile);

// Takes the lock without waiting; nothing when another pass holds it.
std::optional<FileLock> TryLockPasses(const std::filesystem::path& registryFile);

} // namespace zumaset
