// The transfer cycle's timer over a QTimer: set from the pass thread, applied
// on the event loop, answered at once from anywhere.
#include "desktop/qt_cycle_timer.h"

#include "event_loop.h"

#include <gtest/gtest.h>
#include <thread>

namespace zumaset {
namespace {

using std::chrono::milliseconds;

TEST(QtCycleTimer, TakesChangesFromAnotherThreadInOrder) {
    QtCycleTimer timer;
    std::thread pass([&] {
        timer.SetInterval(milliseconds(30000));
        timer.SetEnabled(true);
        timer.SetEnabled(false);
        timer.SetInterval(milliseconds(20000));
        timer.SetEnabled(true);
    });
    pass.join();
    // The state is known at once; the QTimer follows when the event loop runs.
    EXPECT_EQ(timer.Interval(), milliseconds(20000));
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(ProcessEventsUntil([&] { return timer.counting(); }));
}

TEST(QtCycleTimer, DoesNotCountWithAZeroIntervalOrWhenDisabled) {
    QtCycleTimer timer;
    timer.SetInterval(milliseconds(0));
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.counting());
    timer.SetInterval(milliseconds(60000));
    EXPECT_TRUE(timer.counting());
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.counting());
    EXPECT_EQ(timer.Interval(), milliseconds(60000));
}

} // namespace
} // namespace zumaset
