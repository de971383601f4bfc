#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>

namespace zumaset::bench {

// A folder of the temporary area, removed with its content at the end of the
// run. `name` says which benchmark made it, for anyone who finds one left over.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name) {
        std::string pattern = (std::filesystem::temp_directory_path() / ("zumaset-" + name + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
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

} // namespace zumaset::bench
