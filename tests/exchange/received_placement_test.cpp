#include "exchange/received_placement.h"

#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

TEST(DownloadEntry, SplitsAtTheLastBackslash) {
    EXPECT_EQ(SplitDownloadEntry("U\\CZ510201\\A.POT").dir, "U\\CZ510201\\");
    EXPECT_EQ(SplitDownloadEntry("U\\CZ510201\\A.POT").name, "A.POT");
    EXPECT_EQ(SplitDownloadEntry("A.POT").dir, "");
    EXPECT_EQ(SplitDownloadEntry("U\\D\\").name, "");
}

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
