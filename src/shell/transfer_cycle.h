#pragma once

#include "core/logs.h"
#include "core/process_launcher.h"
#include "exchange/cycle_events.h"
#include "shell/client_runtime.h"
#include "shell/cycle_timer.h"

#include <functional>
#include <mutex>

namespace zumaset {

// The client's transfer cycle: the timer tick with its four rhythms, the
// manual commands of the window and tray menus, pause and continue. It owns
// the cycle's state (minute ticks, receipt polls, receipts awaited, service
// started) and runs the passes through the runtime.
//
// Threads: the tick and the commands run on the pass thread, one at a time.
// Pause, Continue and SetServiceStarted may come from any thread, also while
// a pass runs; a pause holds until Continue, whatever the pass does with the
// timer at its end.
class TransferCycle final : public CycleEvents {
public:
    TransferCycle(ClientRuntime& runtime, CycleTimer& timer);

    // Start-up: sets the interval from the mode (20 s on-line or service,
    // one-minute ticks when TimeInterval is set, idle otherwise) and enables the timer.
    void ArmTimer();

    void TimerApp_Timer();
    void mnuPopSend_Click();
    void mnuPopGet_Click();
    // Closes the internet session, notes the configuration in the activity
    // list, runs `showDialog` (which stores the settings it changed), then
    // takes the stored settings and opens the session again.
    void mnuPopConfig_Click(const std::function<void()>& showDialog);
    // Takes the stored settings and opens the session again, between passes.
    void ReloadSettings();
    void ViewLog(LogKind kind, ProcessLauncher& launcher);

    void Pause();
    void Continue();
    bool paused() const;
    void SetServiceStarted();
    bool serviceStarted() const;

    // CycleEvents: what the uploads of a pass report.
    void OnFileAccepted() override;
    void OnReceiptAwaited() override;

    int minuteTicks() const { return iMinuteTicks_; }
    int receiptPolls() const { return giReceiptPolls_; }
    bool awaitReceipt() const { return gbAwaitReceipt_; }

private:
    ClientRuntime& runtime_;
    CycleTimer& timer_;
    mutable std::mutex timerMutex_; // pause and the cycle's own enabling
    bool paused_ = false;
    bool gbServiceStarted_ = false;
    int iMinuteTicks_ = 0;
    int giReceiptPolls_ = 100;
    bool gbAwaitReceipt_ = false;
};

} // namespace zumaset
