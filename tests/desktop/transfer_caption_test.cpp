#include "desktop/transfer_caption.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace zumaset {
namespace {

struct PercentRow {
    const char* name;
    std::uint64_t done;
    std::uint64_t total;
    std::optional<int> percent;
};

void PrintTo(const PercentRow& row, std::ostream* out) {
    *out << row.name;
}

class Percent : public testing::TestWithParam<PercentRow> {};

TEST_P(Percent, IsWholeAndWithinTheFile) {
    TransferState state;
    state.done = GetParam().done;
    state.total = GetParam().total;
    EXPECT_EQ(TransferPercent(state), GetParam().percent);
}

constexpr std::uint64_t kSixGiB = 6ull << 30;

INSTANTIATE_TEST_SUITE_P(Transfer, Percent,
                         testing::Values(PercentRow{"UnknownSizeHasNone", 10, 0, std::nullopt},
                                         PercentRow{"StartIsZero", 0, 1000, 0}, PercentRow{"RoundsDown", 999, 1000, 99},
                                         PercentRow{"DoneIsHundred", 1000, 1000, 100},
                                         PercentRow{"MoreThanTheSizeIsHundred", 1500, 1000, 100},
                                         PercentRow{"FilesBeyondFourGiB", kSixGiB / 2, kSixGiB, 50}),
                         [](const testing::TestParamInfo<PercentRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
