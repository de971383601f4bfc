#include "platform/service_notifier.h"

#include <systemd/sd-daemon.h>

namespace zumaset {

void ServiceNotifier::Status(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    {
        const std::lock_guard lock(mutex_);
        if (line == lastStatus_) return;
        lastStatus_ = line;
    }
    Send("STATUS=" + line);
}

void ServiceNotifier::Stopping() {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    Send("STOPPING=1");
}

std::optional<std::chrono::microseconds> ServiceNotifier::WatchdogPeriod() {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return std::nullopt;
    return std::chrono::microseconds(usec / 2);
}

void ServiceNotifier::Send(const std::string& state) {
    // Whether the manager got it changes nothing the client does.
    sd_notify(0, state.c_str());
}

} // namespace zumaset
