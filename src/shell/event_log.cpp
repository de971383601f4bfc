#include "shell/event_log.h"

#include "core/text.h"

#include <iostream>
#include <string>

namespace zumaset {

StreamEventLog::StreamEventLog() : out_(std::cerr) {}

void StreamEventLog::LogEvent(EventType type, int id, std::string_view text) {
    // One write per entry, control characters escaped so a text cannot steer the terminal.
    const std::string line = "event " + std::to_string(id) +
                             (type == EventType::Error ? " (error): " : " (information): ") + EscapeControlChars(text) +
                             "\n";
    out_ << line << std::flush;
}

} // namespace zumaset
