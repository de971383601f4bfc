#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace zumaset::fuzz {

// A private folder under TMPDIR for the targets that must read or write real
// files, made once per process and removed with everything in it at exit.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + prefix + ".XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace zumaset::fuzz
