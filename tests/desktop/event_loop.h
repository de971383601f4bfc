#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace zumaset {

// Handles events until `done` holds; false when it still does not after the
// deadline (a hang guard, not a timing assertion).
inline bool ProcessEventsUntil(const std::function<bool()>& done, int deadlineMs = 20000) {
    const QDeadlineTimer deadline(deadlineMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace zumaset
