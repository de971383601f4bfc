#include "core/numbered_backup.h"

#include "core/file_rename.h"
#include "core/unique_fd.h"

#include <cerrno>
#include <charconv>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace zumaset {

namespace {

// Bounds the retries when other processes keep taking the names meanwhile.
constexpr int kAttempts = 100;

// The N of "<base>.~N~", or 0 when `name` is not such a backup name.
unsigned long BackupNumber(std::string_view name, std::string_view base) {
    if (name.size() < base.size() + 4 || !name.starts_with(base)) return 0;
    name.remove_prefix(base.size());
    if (!name.starts_with(".~") || !name.ends_with('~')) return 0;
    const std::string_view digits = name.substr(2, name.size() - 3);
    if (digits.empty() || digits.front() == '0') return 0;
    unsigned long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc{} && end == digits.data() + digits.size() ? number : 0;
}

// 0 when nothing has the name, EISDIR for a folder, EEXIST for anything else.
int NameState(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? 0 : errno;
    return S_ISDIR(info.st_mode) ? EISDIR : EEXIST;
}

} // namespace

fs::path NextNumberedBackupName(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string base = file.filename().string();
    unsigned long highest = 0;
    if (UniqueDir dir{::opendir(folder.c_str())}) {
        while (const dirent* entry = ::readdir(dir.get())) {
            const unsigned long number = BackupNumber(entry->d_name, base);
            if (number > highest) highest = number;
        }
    }
    return file.parent_path() / (base + ".~" + std::to_string(highest + 1) + "~");
}

int MoveToNumberedBackup(const fs::path& file, fs::path* movedTo) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (const int state = NameState(file); state != EEXIST) return state == 0 ? ENOENT : state;
        const fs::path backup = NextNumberedBackupName(file);
        if (RenameNoReplace(file, backup)) {
            if (movedTo) *movedTo = backup;
            return 0;
        }
        const int error = errno;
        // Another process took the backup name or the file went: look again.
        if (error != EEXIST && error != ENOENT) return error;
    }
    return EEXIST;
}

int PlaceWithNumberedBackup(const fs::path& ready, const fs::path& target, fs::path* backup) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (RenameNoReplace(ready, target)) return 0;
        const int error = errno;
        // Only a taken name is a reason to move the other file aside.
        if (const int readyState = NameState(ready); readyState != EEXIST) return readyState == 0 ? ENOENT : readyState;
        const int state = NameState(target);
        if (state == EISDIR) return EISDIR;
        if (state != EEXIST) {
            if (state == 0 && error == EEXIST) continue; // the other file went meanwhile
            return error != 0 ? error : state;
        }
        if (const int moved = MoveToNumberedBackup(target, backup); moved != 0 && moved != ENOENT) return moved;
    }
    return EEXIST;
}

} // namespace zumaset
