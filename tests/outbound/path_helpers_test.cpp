#include "outbound/path_helpers.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

struct PathRow {
    const char* name;
    const char* input;
    const char* added;    // AddBackslash
    const char* stripped; // StripBackslash
};

void PrintTo(const PathRow& row, std::ostream* os) {
    *os << row.name << " (\"" << row.input << "\")";
}

const PathRow kPathRows[] = {
    {"Empty", "", "", ""},
    {"WithoutSeparator", "/data/out", "/data/out/", "/data/out"},
    {"SurroundingBlanksTrimmedByAddOnly", "  /data/out  ", "/data/out/", "  /data/out  "},
    {"OnlyBlanksGiveALoneSeparator", "   ", "/", "   "},
    {"Root", "/", "/", ""},
};

class PathRule : public testing::TestWithParam<PathRow> {};

TEST_P(PathRule, AddAndStripSeparator) {
    EXPECT_EQ(AddBackslash(GetParam().input), GetParam().added);
    EXPECT_EQ(StripBackslash(GetParam().input), GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(Rows, PathRule, testing::ValuesIn(kPathRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PathHelpers, WithTrailingSeparatorKeepsEmptyAndBlanks) {
    EXPECT_EQ(WithTrailingSeparator(""), "");
    EXPECT_EQ(WithTrailingSeparator("/a/"), "/a/");
    EXPECT_EQ(WithTrailingSeparator(" a "), " a /");
}

TEST(PathHelpers, CutAtNulKeepsTextUpToFirstNul) {
    using namespace std::string_view_literals;
    EXPECT_EQ(CutAtNul("name.txt\0garbage\0"sv), "name.txt");
    EXPECT_EQ(CutAtNul("\0x"sv), "");
}

TEST(PathHelpers, RelativeFolderIsThePartBelowSource) {
    EXPECT_EQ(RelativeFolder("/out/", "/out/a/b/"), "a/b/");
    EXPECT_EQ(RelativeFolder("/out/", "/out/"), "");
}

} // namespace
} // namespace zumaset
