#pragma once

#include "core/client_model.h"
#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/paths.h"
#include "core/registry.h"
#include "core/settings.h"
#include "exchange/dial_up_gate.h"
#include "exchange/server_session.h"
#include "exchange/transport.h"
#include "outbound/receipt_register.h"
#include "shell/cycle_record.h"
#include "shell/pass_kind.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zumaset {

// How a pass asked of the runtime ended.
struct PassOutcome {
    enum class Status {
        Ran,             // the pass ran to its end (the logs tell which files failed)
        EndedEarly,      // an error ended the pass early; it has been reported
        SettingsMissing, // settings the pass cannot do without are empty (`missing`)
        SettingsBusy,    // another pass runs with the same settings file
        FolderBusy,      // another pass runs over the same outbound folder
        RegisterBusy,    // another process holds the register of sent files
        RegisterRefused, // the register of sent files cannot be used (see the error log)
    };
    Status status = Status::Ran;
    std::vector<std::string> missing; // names of the empty settings
};

// The settings a pass of `kind` cannot do without that are empty.
std::vector<std::string> MissingSettings(const Settings& settings, PassKind kind);

// Everything one client process owns between start-up and shutdown: the
// settings, the logs and failure reports, the internet session, the register
// of sent files and the main window's state. The desktop client, the service
// and the command-line companion run their passes through it, so all three do
// exactly the same work.
class ClientRuntime {
public:
    struct Platform {
        Registry& registry;
        const Clock& clock;
        MessageBoxes& boxes;
        MailNotices& mail;
        Transport& transport;
        // Builds the dial-up gate on the runtime's settings (RASName and
        // RASAutoDial as they are at each dial); it reports through `reporter`.
        std::function<std::unique_ptr<DialUpGate>(const Settings& settings, const FailureReporter& reporter)>
            makeDialUpGate;
        Paths paths;
        // The settings file; the lock that keeps two passes over the same
        // settings apart lives beside it.
        std::filesystem::path registryFile;
        std::string programName;
    };

    explicit ClientRuntime(Platform platform);
    ~ClientRuntime();
    ClientRuntime(const ClientRuntime&) = delete;
    ClientRuntime& operator=(const ClientRuntime&) = delete;

    // Loads the settings and opens the internet session. The register of sent
    // files is loaded by LoadRegister or, failing that, by the first pass, and
    // stays locked until ShutDown.
    void StartUp();
    // Loads the register of sent files and locks it until ShutDown (the
    // running client's start-up). Busy: another process holds it; Refused: it
    // cannot be used (the error log says why). Loaded again and again only
    // once.
    ReceiptRegister::Load LoadRegister();
    // Takes changed settings in place and opens the internet session again;
    // between passes. The register of sent files stays where it was loaded.
    void ApplySettings(const Settings& settings);
    // Takes the settings stored in the registry in place (as the
    // configuration dialog leaves them); between passes. The internet session
    // is not touched: close and open it around this.
    void ReloadSettings();
    // Writes the register to its file when a change has not reached it yet
    // (it is written after every change) and releases it. False when the
    // register could not be saved at some point of the run; the error log
    // says why.
    bool ShutDown();

    // Runs one pass, after StartUp, under its locks: the settings file's pass lock, the
    // outbound folder's lock and the register of sent files (loaded on the
    // first pass). A lock held elsewhere, empty settings the pass needs or a
    // refused register leave everything untouched and say so.
    //  - Send: the manual send command: expiry, then one send pass over the outbound folder.
    //  - Receive: the manual receive command: one receive pass from ServerTxt and,
    //    when it differs, from ServerXml.
    //  - Cycle: one full pass of the transfer cycle without its timing: expiry,
    //    send pass, receive pass, activity list trimmed, overdue receipts mailed,
    //    old logs deleted. An error that ends the pass early (an existing log
    //    folder that cannot be listed) is reported as the timer tick reports it.
    PassOutcome RunPass(PassKind kind);

    // Runs `pass` under the locks RunPass takes for a pass of `kind` and
    // gives what RunPass would: Ran, or EndedEarly when `pass` returns false,
    // or why it did not run. The transfer cycle builds its passes from the
    // steps below inside it.
    PassOutcome WithPassLocks(PassKind kind, const std::function<bool()>& pass);

    // The steps passes are made of; each runs inside WithPassLocks.
    // Drops the register records sent more than two days ago.
    void ExpireRegister();
    // Adds the activity entry of a pass starting or finishing.
    enum class PassEntry { SendStarted, SendFinished, ReceiveStarted, ReceiveFinished };
    void AddPassEntry(PassEntry entry);
    // The folder scan over SourcePath: every file found is checked and uploaded.
    void SearchSourceFolder();
    // One receive pass against `server` (GetRemoteFile).
    void GetRemoteFile(const std::string& server);
    // Cuts the activity list back to its capacity.
    void TrimActivity();
    // Mails the notice of receipts not fetched within 20 minutes, when there are any.
    void MailOverdueReceipts();
    // Deletes the session and connection logs older than DeleteDayInt days
    // when DeleteLogFiles is on. Throws FolderListingError when a log folder
    // that exists cannot be listed.
    void DeleteOldLogs();
    // The debug-trace lines of the manual send and receive commands (when
    // WriteDebugLog is on).
    void TraceManualSend();
    void TraceManualReceive();
    // Drops the dial-up line (the gate ignores a failure).
    void HangUp();
    // Closes the internet session; the next transfer has none until OpenSession.
    void CloseSession();
    // Opens the internet session with the current settings and gives the
    // handle's text for the trace.
    std::string OpenSession();

    // How an error that ends a pass is reported outside service mode: a box
    // when ShowErrMessage is on, the error-log line and, with the debug log on,
    // the error and end traces of the timer tick.
    void ReportTickError(long number, const std::string& description, const std::string& detail);

    // Where the uploads report accepted files and awaited receipts: the
    // running client's transfer cycle; null (the default) keeps them in the
    // runtime's own record, which a single pass only keeps.
    void SetCycleEvents(CycleEvents* events) { events_ = events; }

    Settings& settings() { return settings_; }
    // A window observes it through ClientModel::SetObserver.
    ClientModel& model() { return model_; }
    const CycleRecord& cycle() const { return cycle_; }
    ReceiptRegister& sentFiles() { return register_; }
    // Null before StartUp.
    ServerSession* session() { return session_.get(); }
    const Logs& logs() const { return logs_; }
    Logs& logs() { return logs_; }
    const FailureReporter& reporter() const { return reporter_; }
    const Clock& clock() const { return platform_.clock; }

private:
    void SendPass();
    void ReceivePass();
    bool FullPass();
    void RunReceivePass(bool traceManual);
    CycleEvents& events() { return events_ != nullptr ? *events_ : cycle_; }

    Platform platform_;
    Settings settings_;
    Logs logs_;
    FailureReporter reporter_;
    ClientModel model_;
    CycleRecord cycle_;
    CycleEvents* events_ = nullptr;
    ReceiptRegister register_;
    std::unique_ptr<DialUpGate> dialUp_;
    std::unique_ptr<ServerSession> session_;
    bool registerLoaded_ = false;
};

// What an error that ended a pass early is reported as: its number, its
// description and a detail (the quoted folder of a listing error).
struct PassError {
    long number = 0;
    std::string description;
    std::string detail;
};

// Describes the exception being handled; call it only inside a catch block.
PassError DescribeCurrentException();

} // namespace zumaset
