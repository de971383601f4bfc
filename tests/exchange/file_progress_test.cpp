#include "exchange/file_progress.h"

#include "recording_transfer_progress.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace zumaset {
namespace {

using P = test::RecordingTransferProgress;
constexpr auto kReceiving = TransferState::Direction::Receiving;

// Reads of 2048 bytes told at most once per 64 KiB, and the whole file at its end.
TEST(FileProgress, ToldOncePerStepAndWhenWhole) {
    P recorded;
    {
        FileProgress progress(&recorded, kReceiving, "A.POT", 0, 64 * 1024);
        progress.SetTotal(200 * 1024);
        for (std::uint64_t done = 2048; done <= 200 * 1024; done += 2048) progress.Done(done);
        progress.Done(200 * 1024, true); // already told as whole: not again
    }
    EXPECT_EQ(recorded.events, (std::vector<P::Event>{
                                   P::Progress(kReceiving, "A.POT", 0, 0),
                                   P::Progress(kReceiving, "A.POT", 0, 204800),
                                   P::Progress(kReceiving, "A.POT", 65536, 204800),
                                   P::Progress(kReceiving, "A.POT", 131072, 204800),
                                   P::Progress(kReceiving, "A.POT", 196608, 204800),
                                   P::Progress(kReceiving, "A.POT", 204800, 204800),
                                   P::End(),
                               }));
}

TEST(FileProgress, ASizeAnnouncedTooSmallNeverMakesMoreThanWhole) {
    P recorded;
    {
        FileProgress progress(&recorded, kReceiving, "A.POT", 0);
        progress.SetTotal(10);
        progress.Done(15);
    }
    ASSERT_EQ(recorded.events.size(), 4u);
    EXPECT_EQ(recorded.events[2], P::Progress(kReceiving, "A.POT", 15, 15));
}

// A failing progress display must not end the transfer (nor, from the
// destructor, the process).
TEST(FileProgress, AnObserverThatThrowsCostsNothing) {
    class Throwing final : public TransferProgress {
    public:
        void OnTransferProgress(const TransferState&) override { throw std::runtime_error("drawing failed"); }
        void OnTransferEnd() override { throw std::runtime_error("drawing failed"); }
    } throwing;
    EXPECT_NO_THROW({
        FileProgress progress(&throwing, kReceiving, "A.POT", 5);
        progress.Done(5);
    });
}

} // namespace
} // namespace zumaset
