// The progress line of long transfers on a terminal, with a clock the test moves.
#include "app/ctl/terminal_progress.h"

#include <gtest/gtest.h>
#include <sstream>

namespace zumaset {
namespace {

using std::chrono::milliseconds;

class TerminalProgressTest : public ::testing::Test {
protected:
    void At(milliseconds when, std::uint64_t done, std::uint64_t total = 4 * 1024 * 1024) {
        now = std::chrono::steady_clock::time_point(when);
        TransferState state;
        state.file = "velky.xml";
        state.done = done;
        state.total = total;
        progress.OnTransferProgress(state);
    }

    std::ostringstream terminal;
    std::chrono::steady_clock::time_point now{};
    TerminalProgress progress{terminal, [this] { return now; }};
};

TEST_F(TerminalProgressTest, AShortTransferNeverShows) {
    At(milliseconds(0), 0);
    At(milliseconds(900), 4 * 1024 * 1024);
    progress.OnTransferEnd();
    EXPECT_EQ(terminal.str(), "");
}

TEST_F(TerminalProgressTest, ALongTransferShowsNamePercentAndRateAndIsWipedAtItsEnd) {
    At(milliseconds(0), 0);
    At(milliseconds(2000), 1024 * 1024);
    EXPECT_EQ(terminal.str(), "\r\x1b[Ksending velky.xml  25%  1.0 MiB of 4.0 MiB  512.0 KiB/s");
    terminal.str("");
    At(milliseconds(2100), 2 * 1024 * 1024); // too soon to draw again
    EXPECT_EQ(terminal.str(), "");
    At(milliseconds(2400), 2 * 1024 * 1024);
    EXPECT_NE(terminal.str().find("50%"), std::string::npos) << terminal.str();
    progress.OnTransferEnd();
    EXPECT_EQ(terminal.str().substr(terminal.str().size() - 4), "\r\x1b[K");
}

TEST_F(TerminalProgressTest, AnUnknownSizeShowsTheBytesAndControlCharactersAreEscaped) {
    TransferState state;
    state.direction = TransferState::Direction::Receiving;
    state.file = "a\x1b[2Jb";
    state.done = 3 * 1024;
    EXPECT_EQ(TerminalProgress::Line(state, std::chrono::seconds(3)), "fetching a\\x1B[2Jb  3.0 KiB  1.0 KiB/s");
}

} // namespace
} // namespace zumaset
