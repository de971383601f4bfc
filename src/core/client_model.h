#pragma once

#include "core/clock.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace zumaset {

// What the transfer routines show on the main window and change in the
// transfer cycle's state. The desktop shell draws it; without a desktop it is
// only kept in memory (and the logs say what happened).
class ClientView {
public:
    virtual ~ClientView() = default;

    // Adds "hh:mm:ss * text" to the activity list; `scroll` brings the newest entry into view.
    virtual void AddActivity(std::string_view text, bool scroll = true) = 0;
    virtual void IncrementSendCount() = 0;
    virtual void IncrementGetCount() = 0;
    // The tray's notice that a file has arrived.
    virtual void ShowBalloon(std::string_view text) = 0;

    // The transfer cycle's state an upload touches: the receipt polls counter
    // (`giReceiptPolls`), whether the client runs as a service
    // (`gbServiceStarted`), and the interval of the transfer timer.
    virtual void SetReceiptPolls(int polls) = 0;
    virtual bool ServiceStarted() const = 0;
    virtual void SetTimerInterval(std::chrono::milliseconds interval) = 0;
};

// The main window's state without widgets: the activity list (at most 500
// entries once trimmed), the two counters, the timer interval.
class ClientModel : public ClientView {
public:
    static constexpr std::size_t kActivityCapacity = 500;

    explicit ClientModel(const Clock& clock) : clock_(clock) {}

    void AddActivity(std::string_view text, bool scroll = true) override;
    void IncrementSendCount() override { ++sendCount_; }
    void IncrementGetCount() override { ++getCount_; }
    void ShowBalloon(std::string_view text) override { lastBalloon_ = std::string(text); }
    void SetReceiptPolls(int polls) override { receiptPolls_ = polls; }
    bool ServiceStarted() const override { return serviceStarted_; }
    void SetTimerInterval(std::chrono::milliseconds interval) override { timerInterval_ = interval; }

    // Drops the oldest entries beyond the capacity (the cycle does this at the end of a tick).
    void TrimActivity();

    const std::deque<std::string>& activity() const { return activity_; }
    long sendCount() const { return sendCount_; }
    long getCount() const { return getCount_; }
    int receiptPolls() const { return receiptPolls_; }
    std::chrono::milliseconds timerInterval() const { return timerInterval_; }
    const std::string& lastBalloon() const { return lastBalloon_; }
    void SetServiceStarted(bool started) { serviceStarted_ = started; }

private:
    const Clock& clock_;
    std::deque<std::string> activity_;
    long sendCount_ = 0;
    long getCount_ = 0;
    int receiptPolls_ = 0;
    bool serviceStarted_ = false;
    std::chrono::milliseconds timerInterval_{0};
    std::string lastBalloon_;
};

} // namespace zumaset
