// The blocking work the desktop waits for (the certificate fetch) runs on a
// thread of its own while the UI thread goes on with its events.
#include "desktop/busy_wait.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>

namespace zumaset {
namespace {

TEST(RunWhileBusy, TheJobRunsOffTheUiThreadWhichKeepsHandlingEventsUnderAWaitCursor) {
    // The job waits for a timer that only the UI thread's event loop fires:
    // run on the UI thread, or with the UI thread blocked, it would never end.
    std::promise<void> timerFired;
    QTimer::singleShot(0, [&] { timerFired.set_value(); });
    QThread* jobThread = nullptr;
    bool waitCursor = false;
    RunWhileBusy([&] {
        jobThread = QThread::currentThread();
        waitCursor = QGuiApplication::overrideCursor() != nullptr &&
                     QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        // A hang guard, not a timing assertion.
        ASSERT_EQ(timerFired.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
    });
    EXPECT_NE(jobThread, QThread::currentThread());
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(RunWhileBusy, AFailureOfTheJobReachesTheCallerAndTheCursorComesBack) {
    EXPECT_THROW(RunWhileBusy([] { throw std::runtime_error("no answer"); }), std::runtime_error);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace zumaset
