#pragma once

#include <string_view>

namespace zumaset {

// What the transfer routines show on the main window: the activity list, the
// two counters and the tray's balloon. The desktop shell draws it; without a
// desktop it is only kept in memory (and the logs say what happened).
class ActivitySink {
public:
    virtual ~ActivitySink() = default;

    // Adds "hh:mm:ss * text" to the activity list; `scroll` brings the newest entry into view.
    virtual void AddActivity(std::string_view text, bool scroll = true) = 0;
    virtual void IncrementSendCount() = 0;
    virtual void IncrementGetCount() = 0;
    // The tray's notice that a file has arrived.
    virtual void ShowBalloon(std::string_view text) = 0;
};

} // namespace zumaset
