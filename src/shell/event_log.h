#pragma once

#include <ostream>
#include <string_view>

namespace zumaset {

// The kinds of entry the client writes to the system's event log.
enum class EventType { Error = 1, Information = 4 };

// The system's event log of the service: errors of a timer pass or of a
// service event while the client runs as a service, and the pause and
// continue notes. The service layer writes it to the journal.
class EventLog {
public:
    virtual ~EventLog() = default;
    virtual void LogEvent(EventType type, int id, std::string_view text) = 0;
};

// Stand-in until the service layer is wired: one line per entry on a stream
// (standard error by default), "event <id> (<type>): <text>".
class StreamEventLog final : public EventLog {
public:
    StreamEventLog();
    explicit StreamEventLog(std::ostream& out) : out_(out) {}
    void LogEvent(EventType type, int id, std::string_view text) override;

private:
    std::ostream& out_;
};

} // namespace zumaset
