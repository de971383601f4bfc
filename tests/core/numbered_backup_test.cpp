#include "core/numbered_backup.h"

#include "temp_dir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// Names already in the folder, and the backup name the next one gets.
struct NextNameRow {
    std::string name;
    std::vector<std::string> present;
    std::string next;
};
void PrintTo(const NextNameRow& row, std::ostream* os) {
    *os << row.name;
}

class NextBackupName : public ::testing::TestWithParam<NextNameRow> {};

TEST_P(NextBackupName, IsOneAboveTheHighestOfThatName) {
    test::TempDir dir;
    for (const std::string& name : GetParam().present) WriteFileBytes(dir / name, "x");
    EXPECT_EQ(NextNumberedBackupName(dir / "a.vas"), dir / GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(Names, NextBackupName,
                         ::testing::Values(NextNameRow{"AboveAGap", {"a.vas.~1~", "a.vas.~7~"}, "a.vas.~8~"},
                                           NextNameRow{"TenAfterNine", {"a.vas.~9~"}, "a.vas.~10~"},
                                           NextNameRow{"OtherNamesAndFormsDoNotCount",
                                                       {"b.vas.~5~", "a.vas.~05~", "a.vas.~x~", "a.vas.~3",
                                                        "xa.vas.~4~", "a.vas.~~"},
                                                       "a.vas.~1~"}),
                         [](const auto& info) { return info.param.name; });

TEST(PlaceWithNumberedBackup, KeepsEveryEarlierFileOfTheName) {
    test::TempDir dir;
    for (const char* content : {"first", "second"}) {
        WriteFileBytes(dir / ".ready", content);
        fs::path backup;
        ASSERT_EQ(PlaceWithNumberedBackup(dir / ".ready", dir / "a.vas", &backup), 0);
        EXPECT_FALSE(fs::exists(dir / ".ready"));
    }
    EXPECT_EQ(ReadFileBytes(dir / "a.vas"), "second");
    EXPECT_EQ(ReadFileBytes(dir / "a.vas.~1~"), "first");
}

// A folder in the target's place, or a missing file, is refused and both stay.
TEST(PlaceWithNumberedBackup, RefusalsLeaveTheFileAndTheTargetAlone) {
    test::TempDir dir;
    fs::create_directories(dir / "a.vas" / "inside");
    WriteFileBytes(dir / ".ready", "new");
    EXPECT_EQ(PlaceWithNumberedBackup(dir / ".ready", dir / "a.vas"), EISDIR);
    EXPECT_EQ(ReadFileBytes(dir / ".ready"), "new");
    EXPECT_TRUE(fs::exists(dir / "a.vas" / "inside"));
    WriteFileBytes(dir / "b.vas", "old");
    EXPECT_EQ(PlaceWithNumberedBackup(dir / ".missing", dir / "b.vas"), ENOENT);
    EXPECT_EQ(ReadFileBytes(dir / "b.vas"), "old");
    EXPECT_FALSE(fs::exists(dir / "b.vas.~1~"));
}

TEST(MoveToNumberedBackup, MovesALinkItselfAndSaysWhenThereIsNothing) {
    test::TempDir dir;
    EXPECT_EQ(MoveToNumberedBackup(dir / "a.vas"), ENOENT);
    WriteFileBytes(dir / "elsewhere", "kept");
    fs::create_symlink(dir / "elsewhere", dir / "a.vas");
    fs::path movedTo;
    ASSERT_EQ(MoveToNumberedBackup(dir / "a.vas", &movedTo), 0);
    EXPECT_EQ(movedTo, dir / "a.vas.~1~");
    EXPECT_TRUE(fs::is_symlink(movedTo));
    EXPECT_EQ(ReadFileBytes(dir / "elsewhere"), "kept");
}

} // namespace
} // namespace zumaset
