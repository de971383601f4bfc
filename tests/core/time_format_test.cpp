#include "core/time_format.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(TimeFormat, DefaultTextDropsLeadingZerosAndShowsMidnightAsDateAlone) {
    EXPECT_EQ(FormatDefaultDateTime(FromLocalTime(2026, 12, 6, 9, 5, 3)), "6.12.2026 9:05:03");
    EXPECT_EQ(FormatDefaultDateTime(FromLocalTime(2026, 12, 6)), "6.12.2026");
    EXPECT_EQ(FormatDefaultDateTime(FromLocalTime(2026, 12, 6, 0, 0, 1)), "6.12.2026 0:00:01");
}

TEST(TimeFormat, DefaultTextReadsBackToTheSameMoment) {
    for (const TimePoint at : {FromLocalTime(2024, 2, 29), FromLocalTime(2026, 1, 31, 23, 59, 59)}) {
        EXPECT_EQ(ParseDefaultDateTime(FormatDefaultDateTime(at)), at);
    }
    EXPECT_EQ(ParseDefaultDateTime("  06.01.2026 7:00:00 "), FromLocalTime(2026, 1, 6, 7));
}

class NotADate : public testing::TestWithParam<const char*> {};

TEST_P(NotADate, IsRejected) {
    EXPECT_FALSE(ParseDefaultDateTime(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(TimeFormat, NotADate,
                         testing::Values("", "29.2.2025", "6.13.2026", "6.12.2026 24:00:00", "6.12.2026 9:5:03",
                                         "6.12.2026x",
                                         // later than a time point reaches
                                         "12.4.2262 10:00:00", "31.12.9999 23:59:59"));

TEST(TimeFormat, DayNumbersDifferByTheMidnightsBetween) {
    const TimePoint lateYesterday = FromLocalTime(2026, 12, 5, 23, 59, 0);
    const TimePoint earlyToday = FromLocalTime(2026, 12, 6, 0, 0, 1);
    const TimePoint lateToday = FromLocalTime(2026, 12, 6, 23, 59, 59);
    EXPECT_EQ(LocalDayNumber(earlyToday) - LocalDayNumber(lateYesterday), 1);
    EXPECT_EQ(LocalDayNumber(lateToday) - LocalDayNumber(earlyToday), 0);
    EXPECT_EQ(LocalMidnight(lateToday), FromLocalTime(2026, 12, 6));
}

} // namespace
} // namespace zumaset
