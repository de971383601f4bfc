// MoveNoReplace on file systems that lack the kernel's no-replace rename,
// and on those that lack hard links too. This program puts its own renameat2
// and link in front of the C library's: below a folder named
// "no-renameat2" the rename answers EINVAL, below "no-links" the link
// answers EPERM as well; everywhere else both do the real thing.
#include "core/file_rename.h"

#include "temp_dir.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" int renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
                         unsigned int flags) noexcept {
    if (std::strstr(newpath, "/no-renameat2/") != nullptr || std::strstr(newpath, "/no-links/") != nullptr) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat2, olddirfd, oldpath, newdirfd, newpath, flags));
}

extern "C" int link(const char* from, const char* to) noexcept {
    if (std::strstr(to, "/no-links/") != nullptr) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_linkat, AT_FDCWD, from, AT_FDCWD, to, 0));
}

namespace zumaset {
namespace {

namespace fs = std::filesystem;

enum class Target { Free, File, DanglingLink };

struct RenameRow {
    const char* name;
    const char* fileSystem; // the folder, which decides what the file system offers
    Target target;
};

void PrintTo(const RenameRow& row, std::ostream* os) {
    static constexpr const char* kTargets[] = {"a free name", "a taken name", "a dangling link"};
    *os << row.name << " (to " << kTargets[static_cast<int>(row.target)] << " in " << row.fileSystem << ")";
}

class RenameNoReplaceRule : public ::testing::TestWithParam<RenameRow> {};

TEST_P(RenameNoReplaceRule, MovesToAFreeNameAndNeverReplaces) {
    test::TempDir dir;
    const fs::path folder = dir / GetParam().fileSystem;
    fs::create_directory(folder);
    const fs::path from = folder / "from.txt";
    const fs::path to = folder / "to.txt";
    test::WriteFileBytes(from, "moving");
    if (GetParam().target == Target::File) test::WriteFileBytes(to, "staying");
    if (GetParam().target == Target::DanglingLink) fs::create_symlink(folder / "nowhere", to);

    const bool free = GetParam().target == Target::Free;
    EXPECT_EQ(MoveNoReplace(from, to), free ? 0 : EEXIST);
    EXPECT_EQ(fs::exists(from), !free);
    if (GetParam().target == Target::DanglingLink) {
        EXPECT_TRUE(fs::is_symlink(to));
    } else {
        EXPECT_EQ(test::ReadFileBytes(to), free ? "moving" : "staying");
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, RenameNoReplaceRule,
    ::testing::Values(RenameRow{"RenameRefused", "plain", Target::File},
                      RenameRow{"LinkAndUnlink", "no-renameat2", Target::Free},
                      RenameRow{"LinkRefusedByADanglingLink", "no-renameat2", Target::DanglingLink},
                      RenameRow{"CheckedRename", "no-links", Target::Free},
                      RenameRow{"CheckedRenameRefusedByADanglingLink", "no-links", Target::DanglingLink}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
