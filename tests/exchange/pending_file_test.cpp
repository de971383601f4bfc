// PendingFile on its own: where the bytes stand before and after Commit, what
// a file dropped without a commit leaves, and the lock that keeps a later
// pass's clean-up away from a file still being written.
#include "core/unique_fd.h"
#include "exchange/pending_file.h"

#include "temp_dir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <sys/file.h>
#include <vector>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The one temporary file in `folder`, or an empty path.
fs::path TempFileIn(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (IsPendingFileName(entry.path().filename().string())) return entry.path();
    }
    return {};
}

bool LockedByAnother(const fs::path& file) {
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0;
}

// The temporary file stays locked until the commit, so a later pass's
// clean-up leaves it alone; the named file is no longer locked.
TEST(PendingFile, CommitPlacesTheBytesUnderTheTargetsNameAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/";
    {
        PendingFile file(folder, "DEKL.POT");
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(Names(dir.path()).size(), 1u);
        EXPECT_FALSE(fs::exists(dir / "DEKL.POT")); // nothing under the name before the commit
        ASSERT_TRUE(file.Write("first|"));
        ASSERT_TRUE(file.Write("second"));
        const fs::path temp = TempFileIn(dir.path());
        ASSERT_FALSE(temp.empty());
        EXPECT_TRUE(LockedByAnother(temp));
        EXPECT_EQ(RemoveStalePendingFiles(dir.path().string(), false), 0);
        ASSERT_TRUE(file.Commit());
        EXPECT_FALSE(LockedByAnother(dir / "DEKL.POT"));
        EXPECT_EQ(file.error(), 0);
        EXPECT_EQ(file.target(), folder + "DEKL.POT");
        EXPECT_TRUE(file.backup().empty());
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"DEKL.POT"});
    EXPECT_EQ(test::ReadFileBytes(dir / "DEKL.POT"), "first|second");
}

TEST(PendingFile, DroppedWithoutACommitLeavesNothingAndKeepsTheOldFile) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "DEKL.POT", "old");
    {
        PendingFile file(dir.path().string() + "/", "DEKL.POT");
        ASSERT_TRUE(file.IsOpen());
        ASSERT_TRUE(file.Write("new but interrupted"));
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"DEKL.POT"});
    EXPECT_EQ(test::ReadFileBytes(dir / "DEKL.POT"), "old");
}

// What a commit does with a file that already has the target's name.
struct ExistingRow {
    const char* name;
    const char* existing;
    const char* backupName; // "" when nothing is kept aside
};

void PrintTo(const ExistingRow& row, std::ostream* os) {
    *os << row.name;
}

class PendingFileOverExisting : public ::testing::TestWithParam<ExistingRow> {};

TEST_P(PendingFileOverExisting, KeepsADifferentFileUnderTheNextNumberedName) {
    const ExistingRow& row = GetParam();
    test::TempDir dir;
    test::WriteFileBytes(dir / "DEKL.POT.~1~", "an older backup");
    test::WriteFileBytes(dir / "DEKL.POT", row.existing);
    PendingFile file(dir.path().string() + "/", "DEKL.POT");
    ASSERT_TRUE(file.Write("received"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(test::ReadFileBytes(dir / "DEKL.POT"), "received");
    const std::string backup = row.backupName;
    EXPECT_EQ(file.backup(), backup.empty() ? "" : (dir / backup).string());
    if (!backup.empty()) {
        EXPECT_EQ(test::ReadFileBytes(dir / backup), row.existing);
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "DEKL.POT.~1~"), "an older backup");
    EXPECT_EQ(Names(dir.path()).size(), backup.empty() ? 2u : 3u);
}

INSTANTIATE_TEST_SUITE_P(Targets, PendingFileOverExisting,
                         ::testing::Values(ExistingRow{"SameBytesAreNotKeptTwice", "received", ""},
                                           ExistingRow{"DifferentBytesGoToTheNextFreeNumber", "other", "DEKL.POT.~2~"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
