#include "app/ctl/check_command.h"

#include "app/ctl/exit_codes.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "exchange/server_session.h"

#include <ostream>
#include <vector>

namespace zumaset {

namespace {

std::string ErrorText(unsigned long code) {
    const std::string text = SystemErrorText(static_cast<long>(code));
    return std::to_string(code) + (text.empty() ? "" : " " + text);
}

void PrintAttempt(const ConnectionTestResult& r, bool proxyConfigured, std::ostream& out) {
    out << "  " << (r.server.empty() ? "(no server set)" : EscapeControlChars(r.server)) << ": ";
    if (!r.replied) {
        out << "no connection";
        if (r.error != 0) out << " - " << ErrorText(r.error);
        out << '\n';
        return;
    }
    out << "TLS passed; proxy ";
    if (r.proxyLoopEnded) {
        out << "refused the credentials after four sends (check ProxyUser and ProxyPass)\n";
        return;
    }
    out << (r.proxyChallenged ? "accepted the credentials" : proxyConfigured ? "passed" : "not used");
    out << "; test page ";
    if (r.passed) {
        out << "passed\n";
    } else {
        out << "FAILED (status " << r.status << (r.error != 0 ? ", " + ErrorText(r.error) : std::string()) << ")\n";
    }
}

} // namespace

int CheckConnection(const Settings& stored, Registry& registry, Transport& transport, const Clock& clock,
                    std::ostream& out, std::ostream& err) {
    // The test runs only with the connection log on; boxes would block nobody
    // here, the answers go to the terminal instead.
    Settings settings = stored;
    settings.WriteLogControl = true;
    settings.ShowErrMessage = false;
    Logs logs(settings, clock);
    StreamMessageBoxes boxes(err);
    DroppedMailNotices mail;
    FailureReporter reporter(settings, logs, boxes, mail, "zumasetctl");

    if (settings.RASMode) {
        err << "RASMode is on, but this build cannot dial: set RASMode to false to use the local network\n";
        return kExitFailure;
    }
    std::vector<std::pair<std::string, std::string>> servers{{"ServerTxt", settings.ServerTxt}};
    if (settings.ServerXml != settings.ServerTxt) servers.emplace_back("ServerXml", settings.ServerXml);

    ServerSession session(transport, settings, registry, logs, reporter);
    session.Open();
    const bool proxyConfigured = settings.UseProxy;
    bool anyPassed = false;
    for (auto& [name, server] : servers) {
        if (server.empty()) {
            out << name << ": not set\n";
            continue;
        }
        out << name << " (" << EscapeControlChars(server) << "):\n";
        ServerTransfer transfer(session, kUploadPreamble);
        transfer.SetTestObserver([&](const ConnectionTestResult& r) { PrintAttempt(r, proxyConfigured, out); });
        std::string reached = server;
        switch (transfer.RunPreamble(reached)) {
        case PreambleResult::Connected:
            out << "  => passed, transfers go to " << EscapeControlChars(reached) << '\n';
            anyPassed = true;
            break;
        case PreambleResult::CannotConnect: out << "  => FAILED: no server passed the test\n"; break;
        case PreambleResult::ProxyLoopEnded: out << "  => FAILED: the proxy kept asking for credentials\n"; break;
        case PreambleResult::NoConnection:
            out << "  => FAILED: no connection to " << EscapeControlChars(reached) << " - "
                << ErrorText(transfer.lastError()) << '\n';
            break;
        }
    }
    return anyPassed ? kExitOk : kExitFailure;
}

} // namespace zumaset
