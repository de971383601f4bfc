#include "exchange/received_placement.h"

#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

struct EntryCase {
    const char* label;
    const char* entry;
    const char* dir;
    const char* name;
};

void PrintTo(const EntryCase& row, std::ostream* os) {
    *os << row.label << " (\"" << row.entry << "\")";
}

class DownloadEntrySplit : public ::testing::TestWithParam<EntryCase> {};

TEST_P(DownloadEntrySplit, SplitsAtTheLastBackslash) {
    const auto parts = SplitDownloadEntry(GetParam().entry);
    EXPECT_EQ(parts.dir, GetParam().dir);
    EXPECT_EQ(parts.name, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Entries, DownloadEntrySplit,
                         ::testing::Values(EntryCase{"ThreeLevels", "U\\CZ510201\\A.POT", "U\\CZ510201\\", "A.POT"},
                                           EntryCase{"NoDirectory", "A.POT", "", "A.POT"},
                                           EntryCase{"TrailingBackslash", "U\\D\\", "U\\D\\", ""}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(DownloadList, PiecesAfterTheLastHashAndEmptyPiecesAreNoEntries) {
    EXPECT_TRUE(SplitDownloadList("").empty());
    EXPECT_TRUE(SplitDownloadList("#").empty());
    EXPECT_EQ(SplitDownloadList("U\\D\\A#"), std::vector<std::string_view>{"U\\D\\A"});
    EXPECT_EQ(SplitDownloadList("A##B#cut"), (std::vector<std::string_view>{"A", "B"}));
}

TEST(MakePath, CreatesEveryMissingLevel) {
    test::TempDir dir;
    const std::string deep = (dir / "a").string() + "/b/c";
    EXPECT_TRUE(MakePath(deep));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(MakePath(deep + "/"));
    test::WriteFileBytes(dir / "file", "x");
    EXPECT_FALSE(MakePath((dir / "file").string() + "/below"));
}

} // namespace
} // namespace zumaset
