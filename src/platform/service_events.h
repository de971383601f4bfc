#pragma once

#include "core/transfer_progress.h"
#include "platform/service_notifier.h"
#include "shell/event_log.h"
#include "shell/transfer_cycle.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// The tray tips of the service's two states.
inline constexpr std::string_view kServiceRunningTip = "Služba Zumaset je spuštěna";
inline constexpr std::string_view kServicePausedTip = "Služba Zumaset je pozastavena";

// The status line the service manager shows: the state's tip and, while a
// file is under way, which one and in which direction.
std::string ServiceStatusText(bool paused, const std::optional<TransferState>& transfer);

// The caption a control request with this number gives the window.
std::string ControlCaption(std::string_view displayName, int number);

// The service manager's events as the client handles them: pause, continue,
// control requests, and what the manager is told meanwhile. Pause and
// continue work on the cycle from any thread; a pass under way finishes and
// the pause holds after it. An error inside a handler is written to the
// event log (error 109) and ends that handler.
class ServiceEvents {
public:
    struct Parts {
        TransferCycle& cycle;
        EventLog& eventLog;
        ServiceNotifier& notifier;
        std::string displayName;
        // The tray icon's tip and the window's caption; empty where the face has none.
        std::function<void(std::string_view)> setTrayTip;
        std::function<void(std::string_view)> setCaption;
    };
    static constexpr int kPauseContinueEventId = 110;

    explicit ServiceEvents(Parts parts) : parts_(std::move(parts)) {}

    // The start-up is done: READY=1 with the running status.
    void Ready();
    void Pause();
    void Continue();
    // Control request 128 + k (SIGRTMIN + k). Without a window the caption goes into the status line.
    void Control(int number);
    // The file under way changed (nothing: between files).
    void OnTransfer(const std::optional<TransferState>& transfer);

private:
    template <typename Handler> void Handle(Handler handler) noexcept;
    void SendStatus();

    Parts parts_;
    std::mutex mutex_;
    std::optional<TransferState> transfer_;
};

} // namespace zumaset
