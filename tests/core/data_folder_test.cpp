#include "core/data_folder.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(DataFolder, AbsoluteXdgValueWins) {
    EXPECT_EQ(DataFolderFrom("/srv/data", "/home/u"), "/srv/data/zumaset");
}

TEST(DataFolder, UnsetEmptyOrRelativeXdgValueFallsBackToHome) {
    EXPECT_EQ(DataFolderFrom(nullptr, "/home/u"), "/home/u/.local/share/zumaset");
    EXPECT_EQ(DataFolderFrom("", "/home/u"), "/home/u/.local/share/zumaset");
    EXPECT_EQ(DataFolderFrom("data", "/home/u"), "/home/u/.local/share/zumaset");
}

} // namespace
} // namespace zumaset
