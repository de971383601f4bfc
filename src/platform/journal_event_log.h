#pragma once

#include "shell/event_log.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace zumaset {

// The fields of one event-log entry as the journal takes them.
struct JournalEntry {
    int priority = 6;    // syslog priority: 3 error, 6 information
    int eventId = 0;     // ZUMASET_EVENT_ID
    std::string message; // MESSAGE: "event <id>: <text>"
};
JournalEntry JournalEntryFor(EventType type, int id, std::string_view text);

// The service's event log in the journal, under SYSLOG_IDENTIFIER=zumaset.
// Where there is no journal (its socket missing, which the journal's client
// library would pass over in silence) or it refuses the entry, the entry goes
// to the fallback stream, standard error by default, which the service
// manager keeps as well.
class JournalEventLog final : public EventLog {
public:
    static constexpr std::string_view kJournalSocket = "/run/systemd/journal/socket";

    JournalEventLog() : socket_(kJournalSocket) {}
    JournalEventLog(std::ostream& fallback, std::filesystem::path socket)
        : socket_(std::move(socket)), fallback_(fallback) {}
    void LogEvent(EventType type, int id, std::string_view text) override;

private:
    std::filesystem::path socket_;
    StreamEventLog fallback_;
};

// The same fields appended to a file, one "NAME=value" line each and an empty
// line after every entry (the journal's export form), for a machine without a
// journal to look at.
class FileEventLog final : public EventLog {
public:
    explicit FileEventLog(std::filesystem::path file) : file_(std::move(file)) {}
    void LogEvent(EventType type, int id, std::string_view text) override;

private:
    std::filesystem::path file_;
    std::mutex mutex_;
    StreamEventLog fallback_;
};

// The event log of a client the service manager started: the file that
// ZUMASET_EVENT_LOG_FILE names, otherwise the journal.
std::unique_ptr<EventLog> MakeServiceEventLog();

} // namespace zumaset
