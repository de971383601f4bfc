#pragma once

#include "core/activity_sink.h"
#include "core/clock.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace zumaset {

// The main window's state without widgets: the activity list (at most 500
// entries once trimmed), the two counters and the last balloon. A window
// observes it instead of polling.
class ClientModel : public ActivitySink {
public:
    static constexpr std::size_t kActivityCapacity = 500;

    // What changed; the observer reads the new state from the model.
    enum class Change { Activity, SendCount, GetCount, Balloon };
    using Observer = std::function<void(Change)>;

    explicit ClientModel(const Clock& clock) : clock_(clock) {}

    // Called after every change, on the thread that made it. Empty: none.
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

    void AddActivity(std::string_view text, bool scroll = true) override;
    // Adds a line exactly as given (the start-up's two lines carry no " * ").
    void AddActivityLine(std::string_view line);
    void IncrementSendCount() override {
        ++sendCount_;
        Notify(Change::SendCount);
    }
    void IncrementGetCount() override {
        ++getCount_;
        Notify(Change::GetCount);
    }
    void ShowBalloon(std::string_view text) override {
        lastBalloon_ = std::string(text);
        Notify(Change::Balloon);
    }

    // Drops the oldest entries beyond the capacity (the cycle does this at the end of a tick).
    void TrimActivity();

    const std::deque<std::string>& activity() const { return activity_; }
    long sendCount() const { return sendCount_; }
    long getCount() const { return getCount_; }
    const std::string& lastBalloon() const { return lastBalloon_; }

private:
    void Notify(Change change) const {
        if (observer_) observer_(change);
    }

    const Clock& clock_;
    Observer observer_;
    std::deque<std::string> activity_;
    long sendCount_ = 0;
    long getCount_ = 0;
    std::string lastBalloon_;
};

} // namespace zumaset
