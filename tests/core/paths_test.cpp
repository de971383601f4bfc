#include "core/paths.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

struct PathsCase {
    const char* name;
    Environment env;
    Paths expected;
};

void PrintTo(const PathsCase& c, std::ostream* os) {
    *os << c.name;
}

class PathsFromEnvironment : public ::testing::TestWithParam<PathsCase> {};

TEST_P(PathsFromEnvironment, GivesTheThreeFolders) {
    const Paths paths = PathsFrom(GetParam().env);
    EXPECT_EQ(paths.config, GetParam().expected.config);
    EXPECT_EQ(paths.data, GetParam().expected.data);
    EXPECT_EQ(paths.ca, GetParam().expected.ca);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PathsFromEnvironment,
    ::testing::Values(
        PathsCase{"HomeOnly",
                  {{"HOME", "/home/u"}},
                  {"/home/u/.config/zumaset", "/home/u/.local/share/zumaset", "/home/u/.config/zumaset/ca"}},
        PathsCase{"AbsoluteXdgValuesWin",
                  {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/etc/x"}, {"XDG_DATA_HOME", "/srv/data"}},
                  {"/etc/x/zumaset", "/srv/data/zumaset", "/etc/x/zumaset/ca"}},
        PathsCase{"EmptyOrRelativeXdgValuesAreIgnored",
                  {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", "data"}},
                  {"/home/u/.config/zumaset", "/home/u/.local/share/zumaset", "/home/u/.config/zumaset/ca"}},
        PathsCase{"EmptyHomeIsTheWorkingFolder",
                  {{"HOME", ""}},
                  {"./.config/zumaset", "./.local/share/zumaset", "./.config/zumaset/ca"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
