#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// What the client tells the service manager over its notify socket: ready,
// a status line, watchdog keep-alives, stopping. Does nothing when the
// process was not started with a notify socket. Safe from any thread.
class ServiceNotifier {
public:
    virtual ~ServiceNotifier() = default;

    void Ready() { Send("READY=1"); }
    // Sent only when it differs from the last status sent; one line.
    void Status(std::string_view text);
    void Watchdog() { Send("WATCHDOG=1"); }
    // Sent once, however often the shutdown asks.
    void Stopping();

    // How often the manager wants WATCHDOG=1 (half its time-out); nothing when it wants none.
    static std::optional<std::chrono::microseconds> WatchdogPeriod();

protected:
    // One notify message; the real one goes to sd_notify.
    virtual void Send(const std::string& state);

private:
    std::mutex mutex_;
    std::string lastStatus_;
    bool stopping_ = false;
};

} // namespace zumaset
