#include "platform/journal_event_log.h"

#include "core/atomic_file.h"
#include "core/text.h"
#include "core/unique_fd.h"

#include <cstdlib>
#include <fcntl.h>
#include <systemd/sd-journal.h>

namespace zumaset {

namespace {

constexpr int kErrorPriority = 3;       // LOG_ERR
constexpr int kInformationPriority = 6; // LOG_INFO
constexpr const char* kIdentifier = "zumaset";

} // namespace

JournalEntry JournalEntryFor(EventType type, int id, std::string_view text) {
    return {type == EventType::Error ? kErrorPriority : kInformationPriority, id,
            "event " + std::to_string(id) + ": " + std::string(text)};
}

void JournalEventLog::LogEvent(EventType type, int id, std::string_view text) {
    std::error_code error;
    if (!std::filesystem::exists(socket_, error)) {
        fallback_.LogEvent(type, id, text);
        return;
    }
    const JournalEntry entry = JournalEntryFor(type, id, text);
    const int result =
        sd_journal_send("MESSAGE=%s", entry.message.c_str(), "PRIORITY=%d", entry.priority, "ZUMASET_EVENT_ID=%d",
                        entry.eventId, "SYSLOG_IDENTIFIER=%s", kIdentifier, nullptr);
    if (result < 0) fallback_.LogEvent(type, id, text);
}

void FileEventLog::LogEvent(EventType type, int id, std::string_view text) {
    const JournalEntry entry = JournalEntryFor(type, id, text);
    // A line break inside the message would start a field of its own.
    const std::string record =
        "MESSAGE=" + EscapeControlChars(entry.message) + "\nPRIORITY=" + std::to_string(entry.priority) +
        "\nZUMASET_EVENT_ID=" + std::to_string(entry.eventId) + "\nSYSLOG_IDENTIFIER=" + kIdentifier + "\n\n";
    const std::lock_guard lock(mutex_);
    UniqueFd fd(::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (!fd.valid() || WriteAll(fd.get(), record) != 0) fallback_.LogEvent(type, id, text);
}

std::unique_ptr<EventLog> MakeServiceEventLog() {
    if (const char* file = std::getenv("ZUMASET_EVENT_LOG_FILE"); file != nullptr && *file != '\0') {
        return std::make_unique<FileEventLog>(file);
    }
    return std::make_unique<JournalEventLog>();
}

} // namespace zumaset
