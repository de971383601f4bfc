#pragma once

#include "core/activity_sink.h"
#include "core/clock.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace zumaset {

// The main window's state without widgets: the activity list (at most 500
// entries once trimmed), the two counters and the last balloon.
class ClientModel : public ActivitySink {
public:
    static constexpr std::size_t kActivityCapacity = 500;

    explicit ClientModel(const Clock& clock) : clock_(clock) {}

    void AddActivity(std::string_view text, bool scroll = true) override;
    void IncrementSendCount() override { ++sendCount_; }
    void IncrementGetCount() override { ++getCount_; }
    void ShowBalloon(std::string_view text) override { lastBalloon_ = std::string(text); }

    // Drops the oldest entries beyond the capacity (the cycle does this at the end of a tick).
    void TrimActivity();

    const std::deque<std::string>& activity() const { return activity_; }
    long sendCount() const { return sendCount_; }
    long getCount() const { return getCount_; }
    const std::string& lastBalloon() const { return lastBalloon_; }

private:
    const Clock& clock_;
    std::deque<std::string> activity_;
    long sendCount_ = 0;
    long getCount_ = 0;
    std::string lastBalloon_;
};

} // namespace zumaset
