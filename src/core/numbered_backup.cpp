#include "core/numbered_backup.h"

#include <sys/stat.h>

namespace zumaset {

std::string NextNumberedBackup(const std::string& path) {
    for (unsigned long n = 1;; ++n) {
        std::string candidate = path + ".~" + std::to_string(n) + "~";
        struct stat info {};
        if (::lstat(candidate.c_str(), &info) != 0) return candidate;
    }
}

} // namespace zumaset
