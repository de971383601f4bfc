#pragma once

#include "shell/cycle_timer.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <mutex>

namespace zumaset {

// The transfer cycle's timer over a QTimer on the event-loop thread. The
// cycle sets it from the pass thread: the state is kept under a mutex, so
// Interval() and Enabled() answer at once from any thread, and the change is
// carried to the QTimer on its own thread, in the order it was made. Enabling
// a disabled timer or changing the interval starts the countdown afresh; an
// interval of zero stops it.
class QtCycleTimer final : public QObject, public CycleTimer {
    Q_OBJECT
public:
    explicit QtCycleTimer(QObject* parent = nullptr);

    // Called on the event-loop thread at every tick.
    void SetTickHandler(std::function<void()> handler) { tick_ = std::move(handler); }

    void SetInterval(std::chrono::milliseconds interval) override;
    std::chrono::milliseconds Interval() const override;
    void SetEnabled(bool enabled) override;
    bool Enabled() const override;

    // Whether the QTimer counts down now (event-loop thread only; for tests).
    bool counting() const { return timer_.isActive(); }

private:
    // Brings the QTimer to the state kept under the mutex (event-loop thread).
    void Apply();
    void OnUiThread(std::function<void()> change);

    QTimer timer_;
    std::function<void()> tick_;
    mutable std::mutex mutex_;
    std::chrono::milliseconds interval_{0};
    bool enabled_ = false;
    // What the QTimer was last set to (event-loop thread only).
    std::chrono::milliseconds appliedInterval_{0};
    bool appliedEnabled_ = false;
};

} // namespace zumaset
