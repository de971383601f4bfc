#pragma once

#include <chrono>

namespace zumaset {

// The transfer cycle's timer: its interval is the cycle's mode (20 s on-line
// or service, 60 s minute ticks, 30 s receipt polling, 0 idle) and it is
// disabled while a pass runs. The desktop and headless clients drive a real
// event-loop timer through it; tests keep the state and deliver ticks by hand.
// Implementations may be called from the pass thread and from the event-loop
// thread and must be safe for that.
class CycleTimer {
public:
    virtual ~CycleTimer() = default;
    // An interval of zero means the timer does not fire.
    virtual void SetInterval(std::chrono::milliseconds interval) = 0;
    virtual std::chrono::milliseconds Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

// A timer that only keeps its state; whoever owns it delivers the ticks.
class ManualCycleTimer final : public CycleTimer {
public:
    void SetInterval(std::chrono::milliseconds interval) override { interval_ = interval; }
    std::chrono::milliseconds Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }

private:
    std::chrono::milliseconds interval_{0};
    bool enabled_ = true;
};

} // namespace zumaset
