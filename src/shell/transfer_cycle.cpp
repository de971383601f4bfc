#include "shell/transfer_cycle.h"

#include "core/log_viewer.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "core/trace_line.h"
#include "shell/cycle_record.h"

#include <string>

namespace zumaset {

namespace {

constexpr std::string_view kConfigurationEntry = "Spuštěna konfigurace";
// Receipt polling ends on the tick that finds more polls made than this.
constexpr int kLastReceiptPoll = 4;

// The manual commands go on with their next step whatever the last one did.
// A step that failed without reporting it itself is reported here (the
// error-log line, and a box when ShowErrMessage is on), so that no failure
// passes unrecorded.
template <typename Step> void ReportingErrors(const FailureReporter& reporter, Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        try {
            const PassError error = DescribeCurrentException();
            reporter.ReportFailure({.number = error.number, .text = error.description, .detail = error.detail});
        } catch (...) {
            // Only describing the failure itself can fail here (out of memory).
        }
    }
}

} // namespace

TransferCycle::TransferCycle(ClientRuntime& runtime, CycleTimer& timer, EventLog& eventLog)
    : runtime_(runtime), timer_(timer), eventLog_(eventLog) {
    runtime_.SetCycleEvents(this);
}

TransferCycle::~TransferCycle() {
    runtime_.SetCycleEvents(nullptr);
}

void TransferCycle::ArmTimer() {
    const Settings& settings = runtime_.settings();
    if (gbServiceStarted_ || settings.OnLineMode) {
        timer_.SetInterval(kOnLineInterval);
    } else if (settings.TimeInterval != 0) {
        timer_.SetInterval(kMinuteInterval);
    } else {
        timer_.SetInterval(kIdleInterval);
    }
    EnableTimerNow();
}

void TransferCycle::BeginPass() {
    const std::lock_guard lock(timerMutex_);
    passRunning_ = true;
    timer_.SetEnabled(false);
}

void TransferCycle::EndPass() {
    const std::lock_guard lock(timerMutex_);
    passRunning_ = false;
    if (!paused_) timer_.SetEnabled(true);
}

void TransferCycle::EnableTimerNow() {
    const std::lock_guard lock(timerMutex_);
    if (!paused_) timer_.SetEnabled(true);
}

// A pause that arrives during a pass holds: the pass does not enable the
// timer at its end, and Continue leaves enabling to the pass's end.
void TransferCycle::Pause() {
    const std::lock_guard lock(timerMutex_);
    paused_ = true;
    timer_.SetEnabled(false);
}

void TransferCycle::Continue() {
    const std::lock_guard lock(timerMutex_);
    paused_ = false;
    if (!passRunning_) timer_.SetEnabled(true);
}

bool TransferCycle::paused() const {
    const std::lock_guard lock(timerMutex_);
    return paused_;
}

void TransferCycle::SetServiceStarted() {
    gbServiceStarted_ = true;
}

void TransferCycle::OnFileAccepted() {
    giReceiptPolls_ = 0;
    if (const auto polling = ReceiptPollingInterval(gbServiceStarted_, runtime_.settings())) {
        timer_.SetInterval(*polling);
    }
}

void TransferCycle::OnReceiptAwaited() {
    gbAwaitReceipt_ = true;
}

void TransferCycle::Trace(int number, std::string_view label, std::optional<std::string_view> value) const {
    if (!runtime_.settings().WriteDebugLog) return;
    TraceLine line("TimerApp", 'B', number);
    line.Label(label);
    runtime_.logs().WriteDebugTrace(value ? line.Values({*value}) : line.Text());
}

void TransferCycle::TraceTimerState(int intervalTag, int enabledTag) const {
    if (!runtime_.settings().WriteDebugLog) return;
    Trace(intervalTag, "Timer Interval", std::to_string(timer_.Interval().count()));
    Trace(enabledTag, "Timer Enabled", TraceBool(timer_.Enabled()));
}

void TransferCycle::TimerApp_Timer() {
    if (paused()) return;
    const Settings& settings = runtime_.settings();
    const Logs& logs = runtime_.logs();
    if (settings.WriteDebugLog) {
        logs.WriteDebugTrace(TraceLine("", 'B', 1).Separator());
        logs.WriteDebugTrace(TraceLine("TimerApp", 'B', 2).Start());
        Trace(3, "NT Service", TraceBool(gbServiceStarted_));
    }
    bool passed = false;
    try {
        // Minute mode counts the ticks up to TimeInterval; the others run a pass on every tick.
        if (timer_.Interval() == kMinuteInterval) {
            if (++iMinuteTicks_ < settings.TimeInterval) return;
            iMinuteTicks_ = 0;
        }
        TraceTimerState(4, 5);
        BeginPass();
        Trace(6, "Timer Enabled", TraceBool(timer_.Enabled()));
        NoteRefusal(runtime_.WithPassLocks(PassKind::Cycle, [this] { return TickPass(); }));
        passed = true;
    } catch (...) {
        ReportTickError();
    }
    EndPass();
    if (passed && settings.WriteDebugLog) {
        logs.WriteDebugTrace(TraceLine("TimerApp", 'B', 14).End());
        logs.WriteDebugTrace(TraceLine("", 'B', 15).Separator());
    }
}

bool TransferCycle::TickPass() {
    runtime_.ExpireRegister();
    runtime_.AddPassEntry(ClientRuntime::PassEntry::SendStarted);
    // Receipt polling fetches only; the folder waits for the regular rhythm.
    if (timer_.Interval() != kReceiptPollingInterval) {
        Trace(7, "Timer volá SearchFiles");
        runtime_.SearchSourceFolder();
    }
    runtime_.AddPassEntry(ClientRuntime::PassEntry::SendFinished);
    if (!gbServiceStarted_ && !runtime_.settings().OnLineMode) Rhythm();
    ReceiveStep();
    runtime_.TrimActivity();
    runtime_.MailOverdueReceipts();
    runtime_.DeleteOldLogs();
    return true;
}

// After an upload the timer polls for receipts every 30 seconds; the poll
// that finds enough polls made drops the line and returns to the regular rhythm.
void TransferCycle::Rhythm() {
    if (giReceiptPolls_ > kLastReceiptPoll) {
        timer_.SetInterval(kIdleInterval);
        runtime_.HangUp();
        if (runtime_.settings().TimeInterval != 0) {
            timer_.SetInterval(kMinuteInterval);
            EnableTimerNow();
        }
    } else {
        timer_.SetInterval(kReceiptPollingInterval);
        ++giReceiptPolls_;
    }
}

void TransferCycle::ReceiveStep() {
    const Settings& settings = runtime_.settings();
    runtime_.AddPassEntry(ClientRuntime::PassEntry::ReceiveStarted);
    TraceTimerState(8, 9);
    // Both servers; ServerXml only when it is another server than ServerTxt.
    auto downloads = [&](int firstTag, int secondTag) {
        std::string gsServer = settings.ServerTxt;
        Trace(firstTag, "Timer volá GetRemoteFile", gsServer);
        runtime_.GetRemoteFile(gsServer);
        gsServer = settings.ServerXml;
        if (TrimBlanks(settings.ServerTxt) != TrimBlanks(settings.ServerXml)) {
            Trace(secondTag, "Timer volá GetRemoteFile", gsServer);
            runtime_.GetRemoteFile(gsServer);
        }
    };
    if (!settings.NoGetConnect) {
        downloads(12, 13);
    } else if (gbAwaitReceipt_) {
        downloads(10, 11);
        // Receipt polling keeps fetching until it ends; a regular pass fetched them.
        if (timer_.Interval() != kReceiptPollingInterval) gbAwaitReceipt_ = false;
    }
    runtime_.AddPassEntry(ClientRuntime::PassEntry::ReceiveFinished);
}

// A tick whose pass the locks refused would otherwise leave no mark: the
// first of a run of refusals is written to the error log.
void TransferCycle::NoteRefusal(const PassOutcome& outcome) {
    using Status = PassOutcome::Status;
    std::string text;
    switch (outcome.status) {
    case Status::Ran:
    case Status::EndedEarly: refusalNoted_ = false; return;
    case Status::SettingsBusy: text = "s týmiž nastaveními právě běží jiný přenos"; break;
    case Status::FolderBusy:
        text = "nad odchozí složkou právě běží jiný přenos  \"" + runtime_.settings().SourcePath + "\"";
        break;
    case Status::SettingsMissing:
        text = "tato nastavení nejsou vyplněna:";
        for (const std::string& name : outcome.missing) text += " " + name;
        break;
    case Status::RegisterBusy:
    case Status::RegisterRefused: text = "registr odeslaných souborů nelze použít"; break;
    }
    if (refusalNoted_) return;
    refusalNoted_ = true;
    runtime_.logs().WriteLog("[" + std::to_string(kNoSystemErrorNumber) + "] *** Průchod časovače vynechán, " + text,
                             LogKind::Error);
}

// An error that ends a tick: in service mode an event-log entry, otherwise
// the box, error-log line and traces of the runtime's report. The interval
// keeps its value; the caller enables the timer again.
void TransferCycle::ReportTickError() {
    const PassError error = DescribeCurrentException();
    if (gbServiceStarted_) {
        std::string text = "[" + std::to_string(error.number) + "] " + error.description;
        if (!error.detail.empty()) text += "  " + error.detail;
        eventLog_.LogEvent(EventType::Error, kErrorEventId, text);
        return;
    }
    runtime_.ReportTickError(error.number, error.description, error.detail);
}

PassOutcome TransferCycle::mnuPopSend_Click() {
    BeginPass();
    PassOutcome outcome{PassOutcome::Status::EndedEarly, {}};
    ReportingErrors(runtime_.reporter(), [&] {
        outcome = runtime_.WithPassLocks(PassKind::Send, [this] {
            ReportingErrors(runtime_.reporter(), [&] { runtime_.ExpireRegister(); });
            ReportingErrors(runtime_.reporter(), [&] { runtime_.AddPassEntry(ClientRuntime::PassEntry::SendStarted); });
            ReportingErrors(runtime_.reporter(), [&] { runtime_.TraceManualSend(); });
            ReportingErrors(runtime_.reporter(), [&] { runtime_.SearchSourceFolder(); });
            ReportingErrors(runtime_.reporter(),
                            [&] { runtime_.AddPassEntry(ClientRuntime::PassEntry::SendFinished); });
            return true;
        });
    });
    EndPass();
    return outcome;
}

PassOutcome TransferCycle::mnuPopGet_Click() {
    BeginPass();
    PassOutcome outcome{PassOutcome::Status::EndedEarly, {}};
    ReportingErrors(runtime_.reporter(), [&] {
        outcome = runtime_.WithPassLocks(PassKind::Receive, [this] {
            const Settings& settings = runtime_.settings();
            ReportingErrors(runtime_.reporter(),
                            [&] { runtime_.AddPassEntry(ClientRuntime::PassEntry::ReceiveStarted); });
            ReportingErrors(runtime_.reporter(), [&] { runtime_.GetRemoteFile(settings.ServerTxt); });
            ReportingErrors(runtime_.reporter(), [&] { runtime_.TraceManualReceive(); });
            if (TrimBlanks(settings.ServerTxt) != TrimBlanks(settings.ServerXml)) {
                ReportingErrors(runtime_.reporter(), [&] { runtime_.GetRemoteFile(settings.ServerXml); });
            }
            ReportingErrors(runtime_.reporter(),
                            [&] { runtime_.AddPassEntry(ClientRuntime::PassEntry::ReceiveFinished); });
            if (settings.RASMode) ReportingErrors(runtime_.reporter(), [&] { runtime_.HangUp(); });
            return true;
        });
    });
    EndPass();
    return outcome;
}

PassOutcome TransferCycle::RunFullPass() {
    BeginPass();
    PassOutcome outcome{PassOutcome::Status::EndedEarly, {}};
    ReportingErrors(runtime_.reporter(), [&] { outcome = runtime_.RunPass(PassKind::Cycle); });
    EndPass();
    return outcome;
}

void TransferCycle::mnuPopConfig_Click(const std::function<void()>& showDialog) {
    ReopenSession([&] {
        ReportingErrors(runtime_.reporter(), [&] { runtime_.model().AddActivity(kConfigurationEntry); });
        ReportingErrors(runtime_.reporter(), [&] { showDialog(); });
    });
}

void TransferCycle::ReloadSettings() {
    ReopenSession([] {});
}

// The session is closed while the settings may change, then opened with the
// settings as stored.
void TransferCycle::ReopenSession(const std::function<void()>& whileClosed) {
    BeginPass();
    ReportingErrors(runtime_.reporter(), [&] { runtime_.CloseSession(); });
    whileClosed();
    ReportingErrors(runtime_.reporter(), [&] { runtime_.ReloadSettings(); });
    std::string handle = "0";
    ReportingErrors(runtime_.reporter(), [&] { handle = runtime_.OpenSession(); });
    EndPass();
    if (runtime_.settings().WriteDebugLog) {
        runtime_.logs().WriteDebugTrace(TraceLine("PopConfig_Click", 'E', 1).Label("InternetOpen").Values({handle}));
    }
}

void TransferCycle::ViewLog(LogKind kind, ProcessLauncher& launcher) {
    zumaset::ViewLog(kind, runtime_.logs(), runtime_.reporter(), launcher);
}

} // namespace zumaset
