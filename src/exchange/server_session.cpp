#include "exchange/server_session.h"

#include "core/charset.h"
#include "core/inet_error.h"
#include "core/message_table.h"
#include "core/settings_store.h"
#include "core/trace_line.h"
#include "core/upper_case.h"
#include "core/utf8_slice.h"
#include "exchange/body_text.h"
#include "zumaset/version.h"

#include <array>
#include <cstdint>

namespace zumaset {

namespace {

constexpr std::string_view kTestPage = "/secure/activex_download/testing.asp";
constexpr std::string_view kTestAnswer = "TESTING SERVER RLK OK";
constexpr std::string_view kCannotConnect = "Nelze se připojit k serveru RLK !!";
constexpr std::size_t kReadBufferSize = 2048;
// The replies read whole here are answer words and checksums.
constexpr std::uint64_t kAnswerReplyLimit = 64 * 1024;
constexpr int kHttpsPort = 443;
constexpr int kServiceHttp = 3;

// Places of the connection test, counted from the variant's first tag.
enum TestPlace {
    kErrorNumber = 0,
    kUrlHandle = 1,
    kSessionHandle = 2,
    kServer = 3,
    kStatus = 4,
    kProxy407 = 5,
    kServerOne = 10,
    kServerTwo = 11,
};

} // namespace

const PreambleVariant kUploadPreamble{
    "SendFile", 'G', 5, "TEST PROXY PRO ODESLÁNÍ", "]  *** spojeni pro odesilani - ", 17, true, {18, 19, 20, 21, 22}};

const PreambleVariant kDownloadPreamble{
    "GetRemoteFile", 'I', 2, "TEST PROXY PRO PŘÍJEM", "]  *** spojeni pro prijem    - ", 0, false, {14, 0, 15, 16, 17}};

std::string ControlLogServer(std::string_view server) {
    return Utf8FitTo(ToUpperText(server), 16);
}

std::string HandleText(const void* handle) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

ServerSession::ServerSession(Transport& transport, Settings& settings, Registry& registry, const Logs& logs,
                             const FailureReporter& reporter)
    : transport_(transport), settings_(settings), registry_(registry), logs_(logs), reporter_(reporter),
      gsProxyUser(settings.ProxyUser), gsProxyPass(settings.ProxyPass) {}

std::string ServerSession::Open() {
    const std::string agent = std::string("Zuma_") + ZUMASET_VERSION + "-User:" + settings_.User;
    ProxyChoice proxy;
    if (settings_.UseProxy) {
        proxy.named = true;
        proxy.proxy = settings_.ProxyName + ":" + settings_.ProxyPort;
    }
    gsProxyUser = settings_.ProxyUser;
    gsProxyPass = settings_.ProxyPass;
    hInternetOpen = transport_.OpenSession(agent, proxy);
    if (hInternetOpen) {
        hInternetOpen->SetServerNames(
            {settings_.ServerTxt, settings_.ServerXml, settings_.ServerOne, settings_.ServerTwo});
    }
    return HandleText(hInternetOpen.get());
}

void ServerSession::Close() {
    hInternetOpen.reset();
}

void ServerSession::ReloadProxyCredentials() {
    zumaset::ReloadProxyCredentials(settings_, registry_);
    gsProxyUser = settings_.ProxyUser;
    gsProxyPass = settings_.ProxyPass;
}

ServerTransfer::ServerTransfer(ServerSession& session, const PreambleVariant& variant)
    : session_(session), variant_(variant) {}

// Handles still open are closed without a trace: every way out that the
// logs show goes through InetClose itself.
ServerTransfer::~ServerTransfer() = default;

void ServerTransfer::Trace(int tag, std::string_view label, std::initializer_list<std::string_view> values) const {
    if (!session_.settings().WriteDebugLog || tag == 0) return;
    TraceLine line(variant_.routine, variant_.letter, tag);
    line.Label(label);
    session_.logs().WriteDebugTrace(values.size() == 0 ? line.Text() : line.Values(values));
}

void ServerTransfer::ControlLine(const std::string& server, std::string_view verdict) const {
    session_.logs().WriteLog("[" + ControlLogServer(server) + std::string(variant_.controlMiddle) +
                                 std::string(verdict),
                             LogKind::Connection);
}

void ServerTransfer::Remember(const InternetHandle& handle) {
    if (handle.LastError() == 0) return;
    lastError_ = handle.LastError();
    lastErrorDetail_ = handle.LastErrorDetail();
}

void ServerTransfer::SetError(InetError error) {
    lastError_ = error;
    lastErrorDetail_.clear();
}

// One connection test: the known page must answer with the known text. The
// verdict goes to the connection log.
bool ServerTransfer::TestServer(const std::string& server) {
    const int first = variant_.testFirstTag;
    currentTestServer_ = server;
    // The error a test leaves is its own; an attempt that fails without one
    // keeps the earlier error as the last one known.
    const InetError earlierError = lastError_;
    const std::string earlierDetail = lastErrorDetail_;
    SetError(0);
    auto keepEarlierError = [&] {
        if (lastError_ != 0) return;
        lastError_ = earlierError;
        lastErrorDetail_ = earlierDetail;
    };
    InternetSession* session = session_.handle();
    std::unique_ptr<InternetRequest> testRequest;
    if (session != nullptr) {
        testRequest = session->OpenUrl("https://" + server + std::string(kTestPage));
        if (!testRequest) Remember(*session);
    } else {
        SetError(inet_error::kIncorrectHandleState); // no session: no request can be made
    }
    if (!testRequest) Trace(first + kErrorNumber, "Číslo chyby", {std::to_string(lastError_)});
    Trace(first + kUrlHandle, "hInternetUrl", {HandleText(testRequest.get())});
    Trace(first + kSessionHandle, "hInternetOpen", {HandleText(session)});
    Trace(first + kServer, "gsServer", {server});

    ConnectionTestResult result;
    result.server = server;
    result.replied = testRequest != nullptr;
    std::string reply;
    if (testRequest) {
        const ProxyLoopTrace trace{first + kStatus, variant_.statusLabel, true, first + kProxy407, "TEST"};
        const bool ended = ProxyLoop(*testRequest, {}, trace) == SendResult::ProxyLoopEnded;
        result.proxyChallenged = challenged_;
        result.status = status_;
        if (ended) {
            proxyLoopEnded_ = true;
            result.proxyLoopEnded = true;
            result.error = lastError_;
            keepEarlierError();
            if (observer_) observer_(result);
            return false;
        }
        std::array<char, kReadBufferSize> buffer{};
        if (const auto n = testRequest->ReadFile(buffer)) {
            reply.assign(buffer.data(), *n);
        } else {
            Remember(*testRequest);
        }
    }
    const auto body = GetBodyText(reply);
    const bool passed = body && ToUpperText(*body) == kTestAnswer;
    ControlLine(server, passed ? "ANO" : "NE");
    result.passed = passed;
    if (!passed) result.error = lastError_;
    keepEarlierError();
    if (observer_) observer_(result);
    return passed;
}

// No server passed its test: the error of the last one tried, with its
// description as the detail, so that a missing CA and a mistyped name read
// differently.
void ServerTransfer::ReportCannotConnect() {
    const long code = static_cast<long>(lastError_);
    const FailureReporter& reporter = session_.reporter();
    const std::string detail = code != 0 ? reporter.Describe(code, lastErrorDetail_) : std::string();
    FailureReport report{code, std::string(kCannotConnect), detail, MessageIcon::Exclamation,
                         CodeAndText(code, kCannotConnect)};
    report.beforeNotice = [&] {
        if (variant_.failureTag != 0) {
            Trace(variant_.failureTag, "ERROR", {std::to_string(code) + "] - " + std::string(kCannotConnect)});
        }
        if (variant_.failureWritesNotSent) session_.logs().WriteLog(MessageText(msg::kFileNotSent), LogKind::Session);
    };
    reporter.ReportFailure(report);
    InetClose();
}

PreambleResult ServerTransfer::RunPreamble(std::string& server) {
    Settings& settings = session_.settings();
    if (settings.WriteLogControl) {
        // The starting server, then ServerOne and ServerTwo where they are set.
        int tried = 1;
        while (!TestServer(server)) {
            if (proxyLoopEnded_) return PreambleResult::ProxyLoopEnded;
            bool switched = false;
            while (!switched && tried < 3) {
                ++tried;
                const std::string& alternate = tried == 2 ? settings.ServerOne : settings.ServerTwo;
                if (alternate.find_first_not_of(" \t") == std::string::npos) continue;
                server = alternate;
                Trace(variant_.testFirstTag + (tried == 2 ? kServerOne : kServerTwo),
                      tried == 2 ? "      SERVER ONE" : "      SERVER TWO", {server});
                switched = true;
            }
            if (!switched) {
                ReportCannotConnect();
                return PreambleResult::CannotConnect;
            }
        }
    }
    server_ = server;
    InternetSession* session = session_.handle();
    if (session != nullptr) {
        hInternetConnect = session->Connect(server);
        if (!hInternetConnect) Remember(*session);
    } else {
        SetError(inet_error::kIncorrectHandleState);
    }
    const auto& tags = variant_.connectTags;
    Trace(tags[0], "hInternetConnect", {HandleText(hInternetConnect.get())});
    Trace(tags[1], "hInternetOpen", {HandleText(session)});
    Trace(tags[2], "gsServer", {server});
    Trace(tags[3], "Internet_Def_HTTPS_Port", {std::to_string(kHttpsPort)});
    Trace(tags[4], "Internet_Service_HTTP", {std::to_string(kServiceHttp)});
    return hInternetConnect ? PreambleResult::Connected : PreambleResult::NoConnection;
}

InternetRequest* ServerTransfer::OpenRequest(std::string_view page) {
    hHttpOpenRequest.reset();
    if (!hInternetConnect) {
        // The connection's own failure, when there was one, is the cause.
        if (lastError_ == 0) SetError(inet_error::kIncorrectHandleState);
        return nullptr;
    }
    hHttpOpenRequest = hInternetConnect->OpenRequest("POST", page, "HTTP/1.0");
    if (!hHttpOpenRequest) Remember(*hInternetConnect);
    return hHttpOpenRequest.get();
}

bool ServerTransfer::AddFormHeaders() {
    if (!hHttpOpenRequest) return false;
    const bool ok = hHttpOpenRequest->AddRequestHeader("Connection: Keep-Alive\r\n") &&
                    hHttpOpenRequest->AddRequestHeader("Content-Type: application/x-www-form-urlencoded\r\n");
    if (!ok) Remember(*hHttpOpenRequest);
    return ok;
}

SendResult ServerTransfer::SendRequest(std::string_view body, const ProxyLoopTrace& trace) {
    // The error judged after this request is this request's own.
    SetError(0);
    replied_ = false;
    if (!hHttpOpenRequest) {
        lastSendOk_ = false;
        SetError(inet_error::kIncorrectHandleState);
        return SendResult::Answered;
    }
    lastSendOk_ = hHttpOpenRequest->SendRequest(body);
    if (!lastSendOk_) Remember(*hHttpOpenRequest);
    return ProxyLoop(*hHttpOpenRequest, body, trace);
}

// Answers a proxy's 407 with the stored credentials and sends the request
// again, at most four sends in all. The credentials are read from the registry
// again after every challenge, so a corrected password is used at the next one.
SendResult ServerTransfer::ProxyLoop(InternetRequest& request, std::string_view body, const ProxyLoopTrace& trace) {
    const bool isTest = trace.credentialSuffix == "TEST";
    challenged_ = false;
    for (int proxyRounds = 0;;) {
        if (const auto status = request.QueryStatusCode()) {
            status_ = *status;
            replied_ = true;
        } else {
            replied_ = false;
        }
        const std::string status = std::to_string(status_);
        Trace(trace.statusTag, trace.statusLabel, {trace.statusWithPrefix ? "lngStatus = " + status : status});
        if (status_ != 407) return SendResult::Answered;
        challenged_ = true;

        const std::string suffix(trace.credentialSuffix);
        request.SetProxyUserName(session_.proxyUser());
        const bool passwordSet = request.SetProxyPassword(session_.proxyPass());
        if (!isTest) lastSendOk_ = passwordSet;
        Trace(trace.first407Tag, "Proxy - lngStatus-407", {trace.unverified});
        Trace(trace.first407Tag + 1, "gsProxyUser(" + suffix + ")", {session_.proxyUser()});
        Trace(trace.first407Tag + 2, "gsProxyPass(" + suffix + ")", {session_.proxyPass()});
        session_.ReloadProxyCredentials();

        status_ = 0;
        ++proxyRounds;
        Trace(trace.first407Tag + 3, "Zacykleni na proxy - bb", {std::to_string(proxyRounds)});
        if (proxyRounds > 1) ControlLine(isTest ? currentTestServer_ : server_, "CYKLUS");
        if (proxyRounds > 3) {
            Trace(trace.first407Tag + 4, "Ukonceni zacykleni - bb", {std::to_string(proxyRounds)});
            return SendResult::ProxyLoopEnded;
        }
        if (!request.SendRequest(body)) Remember(request);
    }
}

std::optional<std::string> ServerTransfer::ReadReply() {
    if (!hHttpOpenRequest) return std::nullopt;
    hHttpOpenRequest->SetReplyLimit(kAnswerReplyLimit);
    std::string reply;
    std::array<char, kReadBufferSize> buffer{};
    while (true) {
        const auto n = hHttpOpenRequest->ReadFile(buffer);
        if (!n) {
            Remember(*hHttpOpenRequest);
            return std::nullopt;
        }
        if (*n == 0) return reply;
        reply.append(buffer.data(), *n);
    }
}

void ServerTransfer::InetClose() {
    hHttpOpenRequest.reset();
    hInternetConnect.reset();
    if (session_.settings().WriteDebugLog) {
        session_.logs().WriteDebugTrace(
            TraceLine("InetClose", 'J', 1).Label("InternetCloseHandle").Values({"Uzavření Connect a HttpOpenRequest"}));
    }
}

} // namespace zumaset
