#include "core/atomic_file.h"

#include "temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

unsigned ModeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class AtomicFile : public ::testing::Test {
protected:
    test::TempDir dir;
};

// Missing folders are created owner-only; an existing one keeps its mode.
TEST_F(AtomicFile, CreatesMissingFoldersOwnerOnlyAndLeavesNoTemporaryFile) {
    fs::permissions(dir.path(), fs::perms(0755));
    const fs::path file = dir / "a" / "b" / "settings.reg";
    ASSERT_EQ(WriteFileAtomically(file, "first"), 0);
    ASSERT_EQ(WriteFileAtomically(file, "second", 0640), 0);
    EXPECT_EQ(ReadWholeFile(file), "second");
    EXPECT_EQ(ModeOf(file), 0640u);
    EXPECT_EQ(ModeOf(dir.path()), 0755u);
    EXPECT_EQ(ModeOf(dir / "a"), 0700u);
    EXPECT_EQ(ModeOf(dir / "a" / "b"), 0700u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "a" / "b"), fs::directory_iterator()), 1);
}

TEST_F(AtomicFile, ALinkInTheFilesPlaceIsReplacedNotFollowed) {
    test::WriteFileBytes(dir / "target", "not to be touched");
    fs::create_symlink(dir / "target", dir / "file");
    ASSERT_EQ(WriteFileAtomically(dir / "file", "new"), 0);
    EXPECT_FALSE(fs::is_symlink(dir / "file"));
    EXPECT_EQ(ReadWholeFile(dir / "file"), "new");
    EXPECT_EQ(ReadWholeFile(dir / "target"), "not to be touched");
}

TEST_F(AtomicFile, AFileWhereAFolderShouldBeIsReportedAndNothingIsWritten) {
    test::WriteFileBytes(dir / "plain", "x");
    EXPECT_EQ(WriteFileAtomically(dir / "plain" / "sub" / "file", "y"), ENOTDIR);
    EXPECT_EQ(CreateFolderOwnerOnly(dir / "plain"), ENOTDIR);
    EXPECT_EQ(ReadWholeFile(dir / "plain"), "x");
    EXPECT_EQ(ReadWholeFile(dir / "missing"), std::nullopt);
    // A folder or a pipe where a file is expected answers nothing; it
    // neither throws nor waits for a writer.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(dir.path()), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir / "pipe"), std::nullopt);
}

} // namespace
} // namespace zumaset
