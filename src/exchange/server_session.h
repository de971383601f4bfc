#pragma once

#include "core/failure_report.h"
#include "core/inet_error.h"
#include "core/logs.h"
#include "core/registry.h"
#include "core/settings.h"
#include "exchange/transport.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// The trace places of one proxy authentication loop: the status line and the
// five lines written on a 407 (credentials set, user, password, loop count,
// loop ended). They differ per request kind.
struct ProxyLoopTrace {
    int statusTag = 0;
    std::string_view statusLabel;      // "lngStatus(TXT)", "TEST PROXY PRO ODESLÁNÍ", ...
    bool statusWithPrefix = false;     // the value reads "lngStatus = " + status
    int first407Tag = 0;               // the five 407 lines use this tag and the four after it
    std::string_view credentialSuffix; // "TEST", "TXT", "XML", "LIST", "DOWN"
    std::string_view unverified = "NEOVERENO PROXY";
};

// What differs between the preamble of an upload and of a download.
struct PreambleVariant {
    std::string_view routine;       // "SendFile" or "GetRemoteFile"
    char letter;                    // 'G' or 'I'
    int testFirstTag;               // first of the twelve connection-test places
    std::string_view statusLabel;   // the test's status label
    std::string_view controlMiddle; // text of the connection-log line between server and verdict
    int failureTag;                 // trace of the cannot-connect failure, 0 for none
    bool failureWritesNotSent;      // message 910 in the session log after the cannot-connect failure
    std::array<int, 5> connectTags; // connection handle, session handle, server, port, service; 0 = not traced
};

extern const PreambleVariant kUploadPreamble;
extern const PreambleVariant kDownloadPreamble;

// How the general error path reports a proxy that kept refusing the
// credentials: its status as the number, not a bare 0.
inline constexpr long kProxyRefusedCode = 407;
inline constexpr std::string_view kProxyRefusedText = "Proxy server nepřijal přihlašovací údaje.";

// The text the connection log shows for a server: upper case, padded or cut to 16 characters.
std::string ControlLogServer(std::string_view server);

// The process's one internet session, with the proxy credentials it answers a
// proxy's challenge with. Opened at start-up and again after the settings
// change; every transfer runs through it.
class ServerSession {
public:
    ServerSession(Transport& transport, Settings& settings, Registry& registry, const Logs& logs,
                  const FailureReporter& reporter);

    // Opens the session with the agent "Zuma_<version>-User:<user>" and the
    // proxy of the settings (or the system's proxy configuration). Returns the
    // text traced for the handle.
    std::string Open();
    void Close();

    InternetSession* handle() const { return hInternetOpen.get(); }
    const std::string& proxyUser() const { return gsProxyUser; }
    const std::string& proxyPass() const { return gsProxyPass; }
    // Takes the proxy credentials from the registry again (trimmed, password
    // unscrambled) into the settings and the session.
    void ReloadProxyCredentials();

    Settings& settings() const { return settings_; }
    const Logs& logs() const { return logs_; }
    const FailureReporter& reporter() const { return reporter_; }
    std::chrono::milliseconds receiveTimeout() const { return receiveTimeout_; }
    // Tests shorten the 20-second receive time-out.
    void SetReceiveTimeout(std::chrono::milliseconds timeout) { receiveTimeout_ = timeout; }

private:
    Transport& transport_;
    Settings& settings_;
    Registry& registry_;
    const Logs& logs_;
    const FailureReporter& reporter_;
    std::unique_ptr<InternetSession> hInternetOpen;
    std::string gsProxyUser;
    std::string gsProxyPass;
    std::chrono::milliseconds receiveTimeout_{20000};
};

// How a connection preamble ended.
enum class PreambleResult {
    Connected,      // the connection handle is open to the server that passed
    CannotConnect,  // no server passed the test; reported, the caller returns
    ProxyLoopEnded, // a proxy kept asking for credentials: the caller's general error path
    NoConnection,   // the connection handle could not be had; the caller decides
};

// How one request's proxy authentication loop ended.
enum class SendResult {
    Answered,       // a status other than 407 came back (it may be 0 when nothing came)
    ProxyLoopEnded, // the fourth 407: the caller's general error path
};

// What one connection test found, for people diagnosing a connection.
struct ConnectionTestResult {
    std::string server;
    bool replied = false;         // a TLS connection was made and a reply came
    long status = 0;              // the final HTTP status, 0 when none
    InetError error = 0;          // the transport's error when no reply came or reading failed
    bool proxyChallenged = false; // a proxy asked for credentials at least once
    bool proxyLoopEnded = false;  // it kept asking after four sends
    bool passed = false;          // the test page gave the expected answer
};

// One transfer: the connection test, the connection, the requests and their
// replies. Handles it opens are closed when it ends (or by InetClose).
class ServerTransfer {
public:
    ServerTransfer(ServerSession& session, const PreambleVariant& variant);
    ~ServerTransfer();
    ServerTransfer(const ServerTransfer&) = delete;
    ServerTransfer& operator=(const ServerTransfer&) = delete;

    // Tests the starting server (and the two alternates) when the connection log
    // is on, then connects. `server` is changed to the server that passed.
    PreambleResult RunPreamble(std::string& server);

    // Opens a POST request for the page (closing the previous request) with the
    // request flags of every transfer; null when it cannot be opened (the error
    // is in lastError()).
    InternetRequest* OpenRequest(std::string_view page);
    // Adds the keep-alive and form headers to the current request.
    bool AddFormHeaders();
    // Sends the body on the current request and answers proxy challenges,
    // resending at most three more times. The status is in status().
    SendResult SendRequest(std::string_view body, const ProxyLoopTrace& trace);
    // Reads the whole reply of the current request in 2048-byte pieces; nothing
    // when a read fails.
    std::optional<std::string> ReadReply();

    // Closes the request and the connection, and traces that it did.
    void InetClose();

    // Called after every connection test with what it found.
    void SetTestObserver(std::function<void(const ConnectionTestResult&)> observer) { observer_ = std::move(observer); }

    InternetRequest* request() const { return hHttpOpenRequest.get(); }
    InetError lastError() const { return lastError_; }
    // The transport's own words on the last error, empty when it has none.
    const std::string& lastErrorDetail() const { return lastErrorDetail_; }
    // True when the last SendRequest got a status of its own; false when the
    // send failed and status() still holds an earlier request's status.
    bool replied() const { return replied_; }
    // The status of the last reply, 0 before the first.
    long status() const { return status_; }
    // False when the last send, or setting a credential, failed.
    bool lastSendOk() const { return lastSendOk_; }
    // Takes the status of a reply to a request made outside SendRequest (the
    // acknowledgement of a received file).
    void RecordStatus(long status) { status_ = status; }

private:
    bool TestServer(const std::string& server);
    void ReportCannotConnect();
    void Trace(int tag, std::string_view label, std::initializer_list<std::string_view> values) const;
    void ControlLine(const std::string& server, std::string_view verdict) const;
    SendResult ProxyLoop(InternetRequest& request, std::string_view body, const ProxyLoopTrace& trace);
    void Remember(const InternetHandle& handle);
    void SetError(InetError error);

    ServerSession& session_;
    const PreambleVariant& variant_;
    long status_ = 0;
    bool lastSendOk_ = true;
    std::string server_;            // the server connected to
    std::string currentTestServer_; // the server the connection test is trying
    bool proxyLoopEnded_ = false;   // the connection test ended in the proxy loop
    bool challenged_ = false;       // the last proxy loop met a 407
    std::function<void(const ConnectionTestResult&)> observer_;
    std::unique_ptr<InternetConnection> hInternetConnect;
    std::unique_ptr<InternetRequest> hHttpOpenRequest;
    InetError lastError_ = 0;
    std::string lastErrorDetail_;
    bool replied_ = false;
};

// The text a trace shows for a handle: its address in decimal, 0 for none.
std::string HandleText(const void* handle);

} // namespace zumaset
