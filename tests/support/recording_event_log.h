#pragma once

#include "shell/event_log.h"

#include <string>
#include <string_view>
#include <vector>

namespace zumaset::test {

// Keeps every event-log entry instead of writing it.
class RecordingEventLog final : public EventLog {
public:
    struct Entry {
        EventType type;
        int id;
        std::string text;
    };
    void LogEvent(EventType type, int id, std::string_view text) override {
        entries.push_back({type, id, std::string(text)});
    }
    std::vector<Entry> entries;
};

} // namespace zumaset::test
