#include "desktop/qt_cycle_timer.h"

#include <QThread>

namespace zumaset {

QtCycleTimer::QtCycleTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (tick_) tick_();
    });
}

void QtCycleTimer::SetInterval(std::chrono::milliseconds interval) {
    {
        const std::lock_guard lock(mutex_);
        interval_ = interval;
    }
    OnUiThread([this] { Apply(); });
}

std::chrono::milliseconds QtCycleTimer::Interval() const {
    const std::lock_guard lock(mutex_);
    return interval_;
}

void QtCycleTimer::SetEnabled(bool enabled) {
    {
        const std::lock_guard lock(mutex_);
        enabled_ = enabled;
    }
    OnUiThread([this] { Apply(); });
}

bool QtCycleTimer::Enabled() const {
    const std::lock_guard lock(mutex_);
    return enabled_;
}

void QtCycleTimer::OnUiThread(std::function<void()> change) {
    if (QThread::currentThread() == thread()) {
        change();
    } else {
        QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
    }
}

void QtCycleTimer::Apply() {
    std::chrono::milliseconds interval;
    bool enabled;
    {
        const std::lock_guard lock(mutex_);
        interval = interval_;
        enabled = enabled_;
    }
    if (interval == appliedInterval_ && enabled == appliedEnabled_) return;
    appliedInterval_ = interval;
    appliedEnabled_ = enabled;
    if (enabled && interval.count() > 0) {
        timer_.start(interval);
    } else {
        timer_.stop();
    }
}

} // namespace zumaset
