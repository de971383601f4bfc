#include "app/ctl/check_command.h"

#include "app/ctl/exit_codes.h"
#include "core/charset.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "core/translate.h"
#include "core/upper_case.h"
#include "exchange/download.h"
#include "exchange/server_session.h"
#include "platform/network_manager_dial_up.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <vector>

namespace zumaset {

namespace {

using nlohmann::json;

std::string ErrorText(unsigned long code) {
    const std::string text = SystemErrorText(static_cast<long>(code));
    return std::to_string(code) + (text.empty() ? "" : " " + text);
}

// A verdict in English for the JSON document and in the user's language for
// the terminal.
struct Verdict {
    std::string english;
    std::string shown;
};

Verdict Say(const char* english) {
    return {english, Tr(english)};
}

template <typename... Args> Verdict Say(const char* english, const Args&... args) {
    return {FormatText(english, args...), FormatText(Tr(english), args...)};
}

void PrintAttempt(const ConnectionTestResult& r, bool proxyConfigured, std::ostream& out) {
    out << "  " << (r.server.empty() ? Tr("(no server set)") : EscapeControlChars(r.server)) << ": ";
    if (!r.replied) {
        out << Tr("no connection");
        if (r.error != 0) out << " - " << ErrorText(r.error);
        out << '\n';
        return;
    }
    if (r.proxyLoopEnded) {
        out << Tr("TLS passed; proxy refused the credentials after four sends (check ProxyUser and ProxyPass)") << '\n';
        return;
    }
    out << (r.proxyChallenged ? Tr("TLS passed; proxy accepted the credentials")
            : proxyConfigured ? Tr("TLS passed; proxy passed")
                              : Tr("TLS passed; proxy not used"));
    out << "; ";
    if (r.passed) {
        out << Tr("test page passed") << '\n';
    } else {
        const std::string why = std::to_string(r.status) + (r.error != 0 ? ", " + ErrorText(r.error) : std::string());
        out << FormatText(Tr("test page FAILED (status %s)"), why.c_str()) << '\n';
    }
}

// What the list request said about the account.
struct LoginResult {
    bool passed = false;
    long files = 0;
    Verdict text;
};

// The replies the server pages give instead of data, as the upload judges them.
const char* RefusalText(const std::string& upper) {
    if (upper == "NEPLATNE HESLO") return N_("the server refused the user name or password (909)");
    if (upper == "CHYBA ID") return N_("the declarant is unknown to the VAN operator (912)");
    if (upper == "CHYBA SQL") return N_("the server reported an SQL error (913)");
    if (upper == "CHYBA VERZE KLIENTA") return N_("the server refused this client version (917)");
    return nullptr;
}

// Asks for the list of waiting files on the connection the preamble opened
// and reads it; nothing is fetched or acknowledged.
LoginResult ProveLogin(ServerTransfer& transfer, const Settings& settings) {
    const auto user = Utf8ToCp1250(settings.User);
    const auto password = Utf8ToCp1250(settings.Pass);
    if (!user || !password)
        return {false, 0,
                Say(N_("the user name or password has a character the server cannot take (no Windows-1250 form)"))};
    if (transfer.OpenRequest(kListPage) == nullptr)
        return {false, 0,
                Say(N_("the list request could not be opened - %s"), ErrorText(transfer.lastError()).c_str())};
    transfer.AddFormHeaders();
    if (transfer.SendRequest("JmenoDeklaranta=" + *user + "&Heslo=" + *password, kListTrace) ==
        SendResult::ProxyLoopEnded)
        return {false, 0, Say(N_("the proxy kept asking for credentials"))};
    if (!transfer.replied())
        return {false, 0, Say(N_("no answer to the list request - %s"), ErrorText(transfer.lastError()).c_str())};
    if (transfer.status() != 200)
        return {false, 0,
                Say(N_("the list request was answered with status %ld"), static_cast<long>(transfer.status()))};
    const std::optional<std::string> reply = transfer.ReadReply();
    if (!reply) {
        // A list longer than a reply may be is still a list.
        if (transfer.lastError() == inet_error::kReplyTooLarge)
            return {true, 0, Say(N_("the server accepted the login and lists many waiting files"))};
        return {false, 0, Say(N_("the list could not be read - %s"), ErrorText(transfer.lastError()).c_str())};
    }
    const std::string text = Cp1250ToUtf8(*reply).value_or(*reply);
    if (const char* refusal = RefusalText(ToUpperText(TrimBlanks(text)))) return {false, 0, Say(refusal)};
    const long files = static_cast<long>(std::count(text.begin(), text.end(), '#'));
    Verdict verdict{
        "the server answered the list request: " + std::to_string(files) + " file(s) waiting",
        FormatText(TrN("the server answered the list request: %ld file waiting",
                       "the server answered the list request: %ld files waiting", static_cast<unsigned long>(files)),
                   files)};
    // The list page answers an account it does not know with an empty list.
    if (files == 0) {
        const char* alsoRefused = N_("an empty list is also what a refused login gets");
        verdict.english += std::string(" (") + alsoRefused + ")";
        verdict.shown += std::string(" (") + Tr(alsoRefused) + ")";
    }
    return {true, files, verdict};
}

struct ServerCheck {
    std::string setting;
    std::string server;
    bool passed = false;
    std::string reached;
    Verdict verdict;
    json attempts = json::array();
    std::optional<LoginResult> login;
};

json ToJson(const ServerCheck& check) {
    json line{{"setting", check.setting}, {"server", check.server},           {"passed", check.passed},
              {"reached", check.reached}, {"verdict", check.verdict.english}, {"attempts", check.attempts}};
    if (check.login)
        line["login"] = {
            {"passed", check.login->passed}, {"files", check.login->files}, {"text", check.login->text.english}};
    return line;
}

} // namespace

int CheckConnection(const Settings& stored, Registry& registry, Transport& transport, const Clock& clock, bool login,
                    const CtlOutput& output) {
    // The test runs only with the connection log on; boxes would block nobody
    // here, the answers go to the terminal instead.
    Settings settings = stored;
    settings.WriteLogControl = true;
    settings.ShowErrMessage = false;
    Logs logs(settings, clock);
    StreamMessageBoxes boxes(output.err);
    DroppedMailNotices mail;
    FailureReporter reporter(settings, logs, boxes, mail, "zumasetctl");

    if (settings.ServerTxt.empty() && settings.ServerXml.empty()) {
        output.err << Tr("no server is set (set one with: zumasetctl config set ServerTxt HOST)") << '\n';
        return kExitCannotRun;
    }
    // With RASMode on the test goes over the dial-up line as a transfer
    // would, and the line is dropped again when the test ends.
    NetworkManagerDialUp dialUp(settings, reporter);
    std::vector<std::string> dialErrors;
    logs.SetLineObserver([&dialErrors](LogKind kind, std::string_view line) {
        if (kind == LogKind::Error) dialErrors.emplace_back(line);
    });
    const bool lineUp = !settings.RASMode || dialUp.EnsureDialUpConnection();
    logs.SetLineObserver({});
    if (!lineUp) {
        for (const std::string& line : dialErrors) output.err << EscapeControlChars(line) << '\n';
        output.err << FormatText(Tr("the dial-up line %s could not be brought up; no server was tested"),
                                 EscapeControlChars(settings.RASName).c_str())
                   << '\n';
        return kExitFailure;
    }
    struct HangUpAtEnd {
        NetworkManagerDialUp& line;
        bool dialled;
        ~HangUpAtEnd() {
            if (dialled) line.HangUp();
        }
    } hangUp{dialUp, settings.RASMode};
    std::vector<ServerCheck> checks(1);
    checks[0].setting = "ServerTxt";
    checks[0].server = settings.ServerTxt;
    if (settings.ServerXml != settings.ServerTxt) {
        ServerCheck& xml = checks.emplace_back();
        xml.setting = "ServerXml";
        xml.server = settings.ServerXml;
    }

    // In JSON the text goes nowhere; the document carries the same facts.
    std::ostringstream discarded;
    std::ostream& out = output.json ? discarded : output.out;
    ServerSession session(transport, settings, registry, logs, reporter);
    session.Open();
    const bool proxyConfigured = settings.UseProxy;
    for (ServerCheck& check : checks) {
        if (check.server.empty()) {
            check.verdict = Say(N_("not set"));
            out << FormatText(Tr("%1$s: not set (set it with: zumasetctl config set %1$s HOST)"), check.setting.c_str())
                << '\n';
            continue;
        }
        out << check.setting << " (" << EscapeControlChars(check.server) << "):\n";
        ServerTransfer transfer(session, kUploadPreamble);
        transfer.SetTestObserver([&](const ConnectionTestResult& r) {
            PrintAttempt(r, proxyConfigured, out);
            check.attempts.push_back({{"server", r.server},
                                      {"replied", r.replied},
                                      {"passed", r.passed},
                                      {"status", r.status},
                                      {"error", r.error}});
        });
        std::string reached = check.server;
        switch (transfer.RunPreamble(reached)) {
        case PreambleResult::Connected:
            check.passed = true;
            check.reached = reached;
            check.verdict = Say(N_("passed"));
            out << "  => " << FormatText(Tr("passed, transfers go to %s"), EscapeControlChars(reached).c_str()) << '\n';
            break;
        case PreambleResult::CannotConnect: check.verdict = Say(N_("no server passed the test")); break;
        case PreambleResult::ProxyLoopEnded: check.verdict = Say(N_("the proxy kept asking for credentials")); break;
        case PreambleResult::NoConnection:
            check.verdict =
                Say(N_("no connection to %s - %s"), reached.c_str(), ErrorText(transfer.lastError()).c_str());
            break;
        }
        if (!check.passed) {
            out << "  => " << FormatText(Tr("FAILED: %s"), EscapeControlChars(check.verdict.shown).c_str()) << '\n';
            continue;
        }
        if (login) {
            check.login = ProveLogin(transfer, settings);
            check.passed = check.login->passed;
            const std::string text = EscapeControlChars(check.login->text.shown);
            out << "  "
                << FormatText(check.login->passed ? Tr("login: passed, %s") : Tr("login: FAILED, %s"), text.c_str())
                << '\n';
        }
        transfer.InetClose();
    }
    const bool allPassed = std::all_of(checks.begin(), checks.end(), [](const ServerCheck& c) { return c.passed; });
    if (output.json) {
        json document{{"passed", allPassed}, {"servers", json::array()}};
        for (const ServerCheck& check : checks) document["servers"].push_back(ToJson(check));
        output.out << document.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
    }
    return allPassed ? kExitOk : kExitFailure;
}

} // namespace zumaset
