#include "core/client_model.h"
#include "core/time_format.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace zumaset {
namespace {

using Change = ClientModel::Change;

class Model : public ::testing::Test {
protected:
    FixedClock clock{FromLocalTime(2026, 12, 7, 4, 5, 6)};
    ClientModel model{clock};
};

TEST_F(Model, SnapshotCopiesEveryPartAndTheFileUnderWay) {
    std::vector<Change> changes;
    model.SetObserver([&](Change change) { changes.push_back(change); });
    model.AddActivity("Proces SEND - zahájeno.");
    model.IncrementSendCount();
    model.IncrementGetCount();
    model.ShowBalloon("Aplikace přijala nový soubor");
    model.OnTransferProgress({TransferState::Direction::Receiving, "ABC.POT", 10, 20});

    const ClientModelSnapshot snapshot = model.Snapshot();
    EXPECT_EQ(snapshot.activity, std::vector<std::string>{"04:05:06 * Proces SEND - zahájeno."});
    EXPECT_EQ(snapshot.sendCount, 1);
    EXPECT_EQ(snapshot.getCount, 1);
    EXPECT_EQ(snapshot.lastBalloon, "Aplikace přijala nový soubor");
    ASSERT_TRUE(snapshot.transfer);
    EXPECT_EQ(snapshot.transfer->file, "ABC.POT");

    model.OnTransferEnd();
    model.OnTransferEnd(); // nothing under way any more: no second change
    EXPECT_FALSE(model.Snapshot().transfer);
    EXPECT_EQ(changes, (std::vector{Change::Activity, Change::SendCount, Change::GetCount, Change::Balloon,
                                    Change::Transfer, Change::Transfer}));
}

// The observer runs outside the lock: reading the model from it must not
// block, and changing the observer from it must not either.
TEST_F(Model, TheObserverMayReadTheModelAndReplaceItself) {
    std::vector<long> counts;
    model.SetObserver([&](Change) {
        counts.push_back(model.Snapshot().sendCount);
        model.SetObserver(nullptr);
    });
    model.IncrementSendCount();
    model.IncrementSendCount();
    EXPECT_EQ(counts, std::vector<long>{1});
}

// A pass writes while a window reads: every snapshot is whole and in step.
TEST_F(Model, SnapshotsTakenWhileAPassWritesAreConsistent) {
    constexpr int kFiles = 2000;
    std::thread writer([&] {
        for (int i = 1; i <= kFiles; ++i) {
            model.OnTransferProgress({TransferState::Direction::Sending, "F" + std::to_string(i), 0, 1});
            model.AddActivity("soubor " + std::to_string(i));
            model.IncrementSendCount();
            model.OnTransferEnd();
            if (i % 600 == 0) model.TrimActivity();
        }
    });
    long lastCount = 0;
    bool consistent = true;
    while (lastCount < kFiles) {
        const ClientModelSnapshot snapshot = model.Snapshot();
        // The count follows its activity entry; neither goes back.
        const long entries = snapshot.activity.empty() ? 0 : std::stol(snapshot.activity.back().substr(18));
        consistent = consistent && snapshot.sendCount >= lastCount &&
                     (snapshot.sendCount == entries || snapshot.sendCount + 1 == entries);
        lastCount = snapshot.sendCount;
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_EQ(model.sendCount(), kFiles);
    EXPECT_FALSE(model.transfer());
}

} // namespace
} // namespace zumaset
