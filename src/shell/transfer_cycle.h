#pragma once

#include "core/logs.h"
#include "core/process_launcher.h"
#include "exchange/cycle_events.h"
#include "shell/client_runtime.h"
#include "shell/cycle_timer.h"
#include "shell/event_log.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>

namespace zumaset {

// The client's transfer cycle: the timer tick with its four rhythms, the
// manual commands of the window and tray menus, pause and continue. It owns
// the cycle's state (minute ticks, receipt polls, receipts awaited, service
// started) and runs the passes through the runtime, each under the runtime's
// pass locks. While it lives, the runtime's uploads report to it.
//
// Threads: the tick, the commands, ArmTimer and ViewLog run on the pass
// thread, one at a time (see PassWorker). Pause, Continue and
// SetServiceStarted may come from any thread, also while a pass runs; a
// pause holds until Continue, whatever the pass does with the timer at its
// end. The state accessors may be read from any thread.
class TransferCycle final : public CycleEvents {
public:
    // The four intervals of the timer, which are the cycle's modes.
    static constexpr std::chrono::milliseconds kOnLineInterval{20000};
    static constexpr std::chrono::milliseconds kMinuteInterval{60000};
    static constexpr std::chrono::milliseconds kReceiptPollingInterval{30000};
    static constexpr std::chrono::milliseconds kIdleInterval{0};
    // The event-log entry of an error in a tick while the client runs as a service.
    static constexpr int kErrorEventId = 109;

    TransferCycle(ClientRuntime& runtime, CycleTimer& timer, EventLog& eventLog);
    ~TransferCycle() override;
    TransferCycle(const TransferCycle&) = delete;
    TransferCycle& operator=(const TransferCycle&) = delete;

    // Start-up: sets the interval from the mode (20 s on-line or service,
    // one-minute ticks when TimeInterval is set, idle otherwise) and enables the timer.
    void ArmTimer();

    // One tick of the timer. A tick that arrives while the cycle is paused
    // does nothing. A pass the locks refuse (another process holds the
    // settings, the outbound folder or the register; settings missing) is
    // skipped and the timer enabled again; the first of a run of such ticks
    // writes an error-log line.
    void TimerApp_Timer();
    // The manual send and receive commands; they run while paused, too, and
    // leave a pause in place. The outcome says whether the locks let them run.
    PassOutcome mnuPopSend_Click();
    PassOutcome mnuPopGet_Click();
    // One full pass on request (zumasetctl's cycle): as a tick that reaches
    // its pass, without minute counting and without the rhythm step.
    PassOutcome RunFullPass();
    // Closes the internet session, notes the configuration in the activity
    // list, runs `showDialog` (which stores the settings it changed), then
    // takes the stored settings and opens the session again. `showDialog` is
    // called on the pass thread: a desktop client shows the dialog on its
    // event-loop thread and returns when it is closed.
    void mnuPopConfig_Click(const std::function<void()>& showDialog);
    // Takes the stored settings and opens the session again, between passes
    // (zumasetctl reload, SIGHUP): the configuration command without its
    // activity entry and dialog.
    void ReloadSettings();
    // Opens the current file of a log with the desktop's viewer (or reports it missing).
    void ViewLog(LogKind kind, ProcessLauncher& launcher);

    void Pause();
    void Continue();
    bool paused() const;
    void SetServiceStarted();
    bool serviceStarted() const { return gbServiceStarted_; }

    // CycleEvents: what the uploads of a pass report.
    void OnFileAccepted() override;
    void OnReceiptAwaited() override;

    int minuteTicks() const { return iMinuteTicks_; }
    int receiptPolls() const { return giReceiptPolls_; }
    bool awaitReceipt() const { return gbAwaitReceipt_; }

private:
    // A pass begins: the timer is disabled until EndPass.
    void BeginPass();
    // A pass ends: the timer is enabled again, unless paused.
    void EndPass();
    // Enables the timer in the middle of a pass (the end of receipt polling), unless paused.
    void EnableTimerNow();
    // The pass of a tick, under the pass locks.
    bool TickPass();
    void Rhythm();
    void ReceiveStep();
    void ReportTickError();
    void NoteRefusal(const PassOutcome& outcome);
    void ReopenSession(const std::function<void()>& whileClosed);
    void Trace(int number, std::string_view label, std::optional<std::string_view> value = std::nullopt) const;
    void TraceTimerState(int intervalTag, int enabledTag) const;

    ClientRuntime& runtime_;
    CycleTimer& timer_;
    EventLog& eventLog_;
    mutable std::mutex timerMutex_; // pause and the cycle's own enabling
    bool paused_ = false;
    bool passRunning_ = false;
    bool refusalNoted_ = false; // pass thread only
    std::atomic<bool> gbServiceStarted_ = false;
    std::atomic<int> iMinuteTicks_ = 0;
    std::atomic<int> giReceiptPolls_ = 100;
    std::atomic<bool> gbAwaitReceipt_ = false;
};

} // namespace zumaset
