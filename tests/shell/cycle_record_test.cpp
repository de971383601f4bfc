#include "shell/cycle_record.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(CycleRecord, AnAcceptedFileResetsTheReceiptPollsAndAsksForPolling) {
    CycleRecord cycle;
    EXPECT_FALSE(cycle.fileAccepted());
    cycle.OnReceiptAwaited();
    cycle.OnFileAccepted();
    EXPECT_TRUE(cycle.fileAccepted());
    EXPECT_TRUE(cycle.receiptAwaited());
    EXPECT_EQ(cycle.receiptPolls(), 0);

    Settings settings;
    EXPECT_EQ(ReceiptPollingInterval(false, settings), std::chrono::milliseconds(30000));
    EXPECT_EQ(ReceiptPollingInterval(true, settings), std::nullopt); // a service keeps its rhythm
    settings.OnLineMode = true;
    EXPECT_EQ(ReceiptPollingInterval(false, settings), std::nullopt); // so does on-line mode
}

} // namespace
} // namespace zumaset
