#include "platform/instance_paths.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace {

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

std::filesystem::path Absolute(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    return (ec ? file : absolute).lexically_normal();
}

std::string Refusal(const std::filesystem::path& folder, const std::string& why) {
    return "the runtime folder " + folder.string() + " cannot be used: " + why;
}

} // namespace

std::string InstanceKey(const std::filesystem::path& registryFile) {
    std::uint64_t hash = kFnvOffset;
    for (unsigned char byte : Absolute(registryFile).string()) {
        hash ^= byte;
        hash *= kFnvPrime;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

RuntimeFolder InstanceRuntimeFolder() {
    std::filesystem::path folder;
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute())
        folder = std::filesystem::path(xdg) / "zumaset";
    else
        folder = "/tmp/zumaset-" + std::to_string(::geteuid());

    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {{}, Refusal(folder, std::strerror(errno))};
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return {{}, Refusal(folder, std::strerror(errno))};
    if (!S_ISDIR(info.st_mode)) return {{}, Refusal(folder, "it is not a folder")};
    if (info.st_uid != ::geteuid()) return {{}, Refusal(folder, "it belongs to another user")};
    if ((info.st_mode & 077) != 0) return {{}, Refusal(folder, "other users can reach it")};
    return {folder, {}};
}

InstanceFiles InstanceFilesFor(const std::filesystem::path& registryFile) {
    RuntimeFolder folder = InstanceRuntimeFolder();
    if (folder.path.empty()) return {{}, {}, folder.error};
    std::string key = InstanceKey(registryFile);
    return {folder.path / (key + ".lock"), folder.path / (key + ".sock"), {}};
}

} // namespace zumaset
