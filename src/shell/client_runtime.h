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
        // Builds the dial-up gate; a gate that reports does so through `reporter`.
        std::function<std::unique_ptr<DialUpGate>(const FailureReporter& reporter)> makeDialUpGate;
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
    // files is loaded by the first pass and stays locked until ShutDown.
    void StartUp();
    // Takes changed settings in place and opens the internet session again;
    // between passes. The register of sent files stays where it was loaded.
    void ApplySettings(const Settings& settings);
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

    Settings& settings() { return settings_; }
    // A window observes it through ClientModel::SetObserver.
    ClientModel& model() { return model_; }
    const CycleRecord& cycle() const { return cycle_; }
    ReceiptRegister& sentFiles() { return register_; }
    // Null before StartUp.
    ServerSession* session() { return session_.get(); }
    const Logs& logs() const { return logs_; }
    Logs& logs() { return logs_; }

private:
    void SendPass();
    void ReceivePass();
    bool FullPass();
    void OpenSession();
    void RunSendPass();
    void RunReceivePass(bool traceManual);
    void Activity(int message, std::string_view event);
    void ReportTickError(long number, const std::string& description, const std::string& detail);

    Platform platform_;
    Settings settings_;
    Logs logs_;
    FailureReporter reporter_;
    ClientModel model_;
    CycleRecord cycle_;
    ReceiptRegister register_;
    std::unique_ptr<DialUpGate> dialUp_;
    std::unique_ptr<ServerSession> session_;
    bool registerLoaded_ = false;
};

} // namespace zumaset
