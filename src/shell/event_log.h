#pragma once

#include <iostream>
#include <string>
#include <string_view>

namespace zumaset {

// Event types of the service's event log.
enum class EventType { Error = 1, Information = 4 };

// The service's event log: the journal when the client runs as a service.
class EventLog {
public:
    virtual ~EventLog() = default;
    virtual void LogEvent(EventType type, int id, std::string_view text) = 0;
};

// Stand-in until the journal is wired: one line on standard error.
class StderrEventLog final : public EventLog {
public:
    void LogEvent(EventType type, int id, std::string_view text) override {
        std::cerr << (type == EventType::Error ? "error" : "information") << " event " << id << ": "
                  << std::string(text) << '\n';
    }
};

} // namespace zumaset
