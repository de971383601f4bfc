#include "core/old_files.h"

#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

class OldFilesTest : public testing::Test {
protected:
    void File(const std::string& name, TimePoint lastWrite) {
        test::WriteFileBytes(dir / name, "x");
        fs::last_write_time(dir / name, std::chrono::file_clock::from_sys(lastWrite));
    }
    std::string Pattern(const std::string& wildcard) const { return dir.path().string() + "/" + wildcard; }
    bool Exists(const std::string& name) const { return fs::exists(dir / name); }

    test::TempDir dir;
    FixedClock clock{FromLocalTime(2026, 12, 6, 0, 30, 0)};
};

// Days count midnights; the wildcard is matched against the whole name, case and all.
TEST_F(OldFilesTest, DeletesMatchesOlderThanTheDaysAndKeepsTheRest) {
    File("today.log", FromLocalTime(2026, 12, 6, 0, 0, 1));
    File("yesterday.log", FromLocalTime(2026, 12, 5, 23, 59, 59));
    for (const char* name : {"keep.txt", "a.logx", "a.LOG"}) File(name, FromLocalTime(2026, 1, 1, 0, 0, 0));
    EXPECT_TRUE(DeleteOldFiles(1, Pattern("*.log"), clock));
    EXPECT_TRUE(Exists("today.log"));
    EXPECT_FALSE(Exists("yesterday.log"));
    for (const char* name : {"keep.txt", "a.logx", "a.LOG"}) EXPECT_TRUE(Exists(name)) << name;
    EXPECT_TRUE(DeleteOldFiles(0, Pattern("*.log"), clock));
    EXPECT_FALSE(Exists("today.log"));
}

TEST_F(OldFilesTest, LeavesFoldersHiddenFilesAndLinksAlone) {
    const TimePoint old = FromLocalTime(2025, 1, 1);
    fs::create_directory(dir / "folder.log");
    File(".hidden.log", old);
    File("target.txt", old);
    fs::create_symlink(dir / "target.txt", dir / "link.log");
    EXPECT_FALSE(DeleteOldFiles(0, Pattern("*.log"), clock)); // no ordinary file matched
    EXPECT_FALSE(DeleteOldFiles(1, dir.path().string() + "/missing/*.log", clock));
    EXPECT_TRUE(Exists("folder.log"));
    EXPECT_TRUE(Exists(".hidden.log"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.log"));
}

// An empty or relative folder would be the folder the process runs in, whose
// files (a build.log, say) are not the client's logs: nothing is deleted.
TEST_F(OldFilesTest, NeverDeletesInTheWorkingFolder) {
    fs::create_directory(dir / "sub");
    File("build.log", FromLocalTime(2026, 10, 1, 12, 0, 0));
    File("sub/old.log", FromLocalTime(2026, 10, 1, 12, 0, 0));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    for (const char* pattern : {"*.log", "sub/*.log", ""}) EXPECT_FALSE(DeleteOldFiles(0, pattern, clock)) << pattern;
    fs::current_path(previous);
    EXPECT_TRUE(Exists("build.log"));
    EXPECT_TRUE(Exists("sub/old.log"));
}

// A folder that is there but cannot be listed is not "nothing matched": it
// ends the caller's pass through the caller's error report.
TEST_F(OldFilesTest, AFolderThatCannotBeListedThrowsWithItsName) {
    test::WriteFileBytes(dir / "file.txt", "not a folder");
    const std::string folder = dir.path().string() + "/file.txt/";
    try {
        DeleteOldFiles(1, folder + "*.log", clock);
        ADD_FAILURE() << "no error";
    } catch (const FolderListingError& e) {
        EXPECT_EQ(e.code(), std::errc::not_a_directory);
        EXPECT_EQ(e.folder(), folder);
    }
}

TEST(LogDeletionDays, BelowOneCountsAsThirty) {
    EXPECT_EQ(LogDeletionDays(0), 30);
    EXPECT_EQ(LogDeletionDays(1), 1);
}

} // namespace
} // namespace zumaset
