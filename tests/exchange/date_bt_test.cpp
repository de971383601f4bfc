#include "core/time_format.h"
#include "exchange/date_bt.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(FormatDateBT, ZeroPaddedLocalTime) {
    EXPECT_EQ(FormatDateBT(FromLocalTime(2010, 5, 4, 13, 2, 9)), "2010-05-04T13:02:09");
    EXPECT_EQ(FormatDateBT(FromLocalTime(2026, 12, 31, 0, 0, 0)), "2026-12-31T00:00:00");
}

} // namespace
} // namespace zumaset
