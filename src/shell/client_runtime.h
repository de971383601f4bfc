#pragma once

#include "core/client_model.h"
#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/registry.h"
#include "core/settings.h"
#include "exchange/dial_up_gate.h"
#include "exchange/server_session.h"
#include "exchange/transport.h"
#include "outbound/receipt_register.h"
#include "shell/cycle_record.h"

#include <memory>
#include <string>

namespace zumaset {

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
        std::string programName;
    };

    explicit ClientRuntime(Platform platform);
    ~ClientRuntime();
    ClientRuntime(const ClientRuntime&) = delete;
    ClientRuntime& operator=(const ClientRuntime&) = delete;

    // Loads the settings and the register of sent files (which stays locked
    // until ShutDown) and opens the internet session. Says whether the
    // register loaded, is held by another process or was refused; in the two
    // latter cases no pass may run.
    ReceiptRegister::Load StartUp();
    // Writes the register to its file when a change has not reached it yet
    // (it is written after every change) and releases it. False when the
    // register could not be saved at some point of the run; the error log
    // says why.
    bool ShutDown();

    // The manual send command: expiry, then one send pass over the outbound folder.
    void SendPass();
    // The manual receive command: one receive pass from ServerTxt and, when it
    // differs, from ServerXml.
    void ReceivePass();
    // One full pass of the transfer cycle without its timing: expiry, send pass,
    // receive pass, activity list trimmed, overdue receipts mailed, old logs deleted.
    // An error that ends the pass early (an existing log folder that cannot be
    // listed) is reported as the timer tick reports it; then false.
    bool FullPass();

    Settings& settings() { return settings_; }
    ClientModel& model() { return model_; }
    const CycleRecord& cycle() const { return cycle_; }
    ReceiptRegister& sentFiles() { return register_; }
    ServerSession& session() { return *session_; }
    const Logs& logs() const { return logs_; }

private:
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
};

} // namespace zumaset
