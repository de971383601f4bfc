#include "exchange/curl_transport.h"

#include "core/host_port.h"
#include "core/inet_error.h"
#include "core/text.h"
#include "exchange/curl_error_map.h"
#include "exchange/curl_transfer.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace zumaset {
namespace {

// What every handle of one session shares; copied into the session once.
struct SessionSetup {
    std::string agent;
    bool namedProxy = false;
    std::string proxy;
    std::string noProxy;
    std::shared_ptr<TrustCache> trust;
    std::vector<std::string> knownHosts; // hosts of the configured servers
    TransportLimits limits;
};
using SetupPtr = std::shared_ptr<const SessionSetup>;

// The error slot every handle carries.
class ErrorSlot {
public:
    InetError code() const { return code_; }
    const std::string& detail() const { return detail_; }
    void Set(InetError code, std::string detail) {
        code_ = code;
        detail_ = std::move(detail);
    }

private:
    InetError code_ = 0;
    std::string detail_;
};

// The blanks around a header line's name and value.
constexpr std::string_view kHeaderBlanks = " \t";

// Redirects the connection test follows at most.
constexpr long kTestRedirects = 3;

// The host of "https://host[:port]/path", for the proxy bypass rule.
std::optional<HostPort> HostOfUrl(std::string_view url) {
    const auto scheme = url.find("://");
    if (scheme == std::string_view::npos) return std::nullopt;
    auto authority = url.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority = authority.substr(at + 1);
    return ParseServerName(authority);
}

std::optional<long> CurlHttpVersion(std::string_view version) {
    if (version == "HTTP/1.0") return CURL_HTTP_VERSION_1_0;
    if (version.empty() || version == "HTTP/1.1") return CURL_HTTP_VERSION_1_1;
    return std::nullopt;
}

class CurlRequest final : public InternetRequest {
public:
    // A connection test checks certificates strictly and follows redirects.
    CurlRequest(SetupPtr setup, CurlConnectionPool pool, std::string verb, std::string url, long httpVersion,
                bool bypassProxy, bool connectionTest)
        : setup_(std::move(setup)), transfer_(std::move(pool)), verb_(std::move(verb)), url_(std::move(url)),
          httpVersion_(httpVersion), bypassProxy_(bypassProxy),
          connectionTest_(connectionTest), peer_{setup_->trust, connectionTest, setup_->knownHosts} {}

    // The transfer may still read from the body, the header list and the
    // policy while it ends: it is ended before they are freed.
    ~CurlRequest() override { transfer_.Reset(); }
    CurlRequest(const CurlRequest&) = delete;
    CurlRequest& operator=(const CurlRequest&) = delete;

    InetError LastError() const override { return error_.code(); }
    std::string LastErrorDetail() const override { return error_.detail(); }

    bool AddRequestHeader(std::string_view text) override {
        std::vector<std::string> lines;
        while (!text.empty()) {
            const auto end = text.find('\n');
            auto line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            if (line.ends_with('\r')) line.remove_suffix(1);
            if (TrimView(line, kHeaderBlanks).empty()) continue;
            const auto colon = line.find(':');
            if (colon == std::string_view::npos || TrimView(line.substr(0, colon), kHeaderBlanks).empty()) {
                error_.Set(inet_error::kInvalidHeader, "Header without a name: " + std::string(line));
                return false;
            }
            lines.emplace_back(line);
        }
        if (lines.empty()) {
            error_.Set(inet_error::kInvalidHeader, "Empty header");
            return false;
        }
        for (auto& line : lines) {
            const auto name = TrimView(std::string_view(line).substr(0, line.find(':')), kHeaderBlanks);
            auto same = std::ranges::find_if(headers_, [&](const std::string& present) {
                return EqualsNoCase(TrimView(std::string_view(present).substr(0, present.find(':')), kHeaderBlanks),
                                    name);
            });
            if (same != headers_.end()) {
                *same = std::move(line);
            } else {
                headers_.push_back(std::move(line));
            }
        }
        return true;
    }

    bool SendRequest(std::string_view body) override {
        status_.reset();
        tunnelRefused_ = false;
        transfer_.Reset();
        body_.assign(body);
        if (!Configure()) return false;

        TransferBounds bounds;
        bounds.maxBody = replyLimit_;
        bounds.deadline = setup_->limits.deadline;
        bounds.bytesPerExtraSecond = setup_->limits.bytesPerExtraSecond;
        bounds.followsRedirects = connectionTest_;
        const auto outcome = transfer_.Start(setup_->limits.response, bounds);
        if (outcome == CurlTransfer::Outcome::Ready) {
            status_ = transfer_.headerStatus();
            return true;
        }
        CURL* easy = transfer_.easy();
        long connectCode = 0;
        if (easy != nullptr) curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        if (connectCode >= 300) {
            // The proxy refused the tunnel: that answer is the request's
            // status. A proxy that rejects the credentials with 401 means the
            // same as 407, and the callers' credential loop must see 407.
            status_ = connectCode == 401 ? 407 : connectCode;
            tunnelRefused_ = true;
            return true;
        }
        long responseCode = 0;
        if (easy != nullptr) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &responseCode);
        if (transfer_.result() == CURLE_OK && responseCode > 0) {
            status_ = responseCode;
            return true;
        }
        long verifyResult = 0;
        if (easy != nullptr) curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        std::string detail = transfer_.ErrorDetail();
        if (ThroughProxy() &&
            (transfer_.result() == CURLE_COULDNT_CONNECT || transfer_.result() == CURLE_COULDNT_RESOLVE_PROXY)) {
            // libcurl names only an address: say that it was the proxy's.
            detail = "proxy " + setup_->proxy + ": " + detail;
        }
        const InetError code =
            transfer_.tooLarge() ? inet_error::kReplyTooLarge : InetErrorFromCurl(transfer_.result(), verifyResult);
        error_.Set(code, std::move(detail));
        return false;
    }

    std::optional<long> QueryStatusCode() override {
        if (!status_) error_.Set(inet_error::kIncorrectHandleState, "No reply has been received");
        return status_;
    }

    std::optional<std::uint64_t> QueryReplyLength() override {
        CURL* easy = transfer_.easy();
        curl_off_t length = -1;
        if (!status_ || tunnelRefused_ || easy == nullptr ||
            curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(length);
    }

    std::optional<std::size_t> ReadFile(std::span<char> buffer) override {
        if (!status_) {
            error_.Set(inet_error::kIncorrectHandleState, "No reply has been received");
            return std::nullopt;
        }
        // A refused tunnel has no reply body of the server's.
        if (tunnelRefused_) return 0;
        std::size_t copied = 0;
        const auto outcome = transfer_.Read(buffer, ReceiveTimeout(), copied);
        // Bytes already received are handed over; a failure shows at the next read.
        if (copied > 0 || outcome == CurlTransfer::Outcome::Ready || outcome == CurlTransfer::Outcome::Finished)
            return copied;
        error_.Set(ReadError(), transfer_.ErrorDetail());
        return std::nullopt;
    }

    bool SetReplyLimit(std::uint64_t bytes) override {
        replyLimit_ = bytes;
        // Callers set the limit once the status tells what the reply is.
        transfer_.SetMaxBody(bytes);
        return true;
    }

    bool SetProxyUserName(std::string_view user) override {
        proxyUser_ = std::string(user);
        return true;
    }

    bool SetProxyPassword(std::string_view password) override {
        proxyPassword_ = std::string(password);
        return true;
    }

    bool SetReceiveTimeout(std::chrono::milliseconds timeout) override {
        receiveTimeout_ = timeout;
        return true;
    }

private:
    // True when the request goes to the proxy: a named one unless the host
    // bypasses it, the system's one when no host is exempt from it.
    bool ThroughProxy() const {
        return !bypassProxy_ && !setup_->proxy.empty() && (setup_->namedProxy || setup_->noProxy.empty());
    }

    InetError ReadError() const {
        if (transfer_.tooLarge()) return inet_error::kReplyTooLarge;
        // A receive error while the body comes in is a reply cut short: a
        // connection reset, or one closed without the TLS end signal (a
        // reply without a length can only be known complete by that signal).
        if (transfer_.result() == CURLE_RECV_ERROR) return inet_error::kConnectionAborted;
        return InetErrorFromCurl(transfer_.result());
    }

    std::chrono::milliseconds ReceiveTimeout() const {
        if (setup_->limits.receiveOverride) return *setup_->limits.receiveOverride;
        // No time-out at all is not offered: a reply that never comes must
        // not hold the client for ever.
        if (!receiveTimeout_ || receiveTimeout_->count() <= 0) return setup_->limits.response;
        return *receiveTimeout_;
    }

    // Sets every option of the request on the freshly reset handle.
    bool Configure() {
        CURL* easy = transfer_.easy();
        if (easy == nullptr) {
            error_.Set(inet_error::kInternalError, "Cannot create a transfer handle");
            return false;
        }
        CURLcode rc = CURLE_OK;
        auto set = [&](CURLoption option, auto value) {
            if (rc == CURLE_OK) rc = curl_easy_setopt(easy, option, value);
        };
        const SessionSetup& setup = *setup_;
        set(CURLOPT_URL, url_.c_str());
        set(CURLOPT_PROTOCOLS_STR, "https");
        set(CURLOPT_NOSIGNAL, 1L);
        if (connectionTest_) {
            set(CURLOPT_FOLLOWLOCATION, 1L);
            set(CURLOPT_MAXREDIRS, kTestRedirects);
            set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
        } else {
            set(CURLOPT_FOLLOWLOCATION, 0L);
        }
        set(CURLOPT_HTTP_VERSION, httpVersion_);
        set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(setup.limits.connect.count()));
        if (!setup.agent.empty()) set(CURLOPT_USERAGENT, setup.agent.c_str());
        // The proxy's own reply to CONNECT is not part of the server's reply.
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        set(CURLOPT_PROXY, bypassProxy_ ? "" : setup.proxy.c_str());
        set(CURLOPT_NOPROXY, setup.namedProxy ? "" : setup.noProxy.c_str());
        if (proxyUser_ || proxyPassword_) {
            set(CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_ANY));
            set(CURLOPT_PROXYUSERNAME, proxyUser_ ? proxyUser_->c_str() : "");
            set(CURLOPT_PROXYPASSWORD, proxyPassword_ ? proxyPassword_->c_str() : "");
        }
        CurlSlistPtr list;
        for (const auto& header : headers_) list.reset(AppendOrKeep(list.release(), header.c_str()));
        // Never wait for a "100 Continue" the server may not send.
        list.reset(AppendOrKeep(list.release(), "Expect:"));
        headerList_ = std::move(list);
        set(CURLOPT_HTTPHEADER, headerList_.get());
        if (verb_ == "GET") {
            set(CURLOPT_HTTPGET, 1L);
        } else {
            set(CURLOPT_POST, 1L);
            set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
            set(CURLOPT_POSTFIELDS, body_.data());
            if (verb_ != "POST") set(CURLOPT_CUSTOMREQUEST, verb_.c_str());
        }
        if (rc == CURLE_OK) rc = ApplyTlsTrust(easy, peer_);
        if (rc != CURLE_OK) {
            error_.Set(inet_error::kInternalError, curl_easy_strerror(rc));
            return false;
        }
        return true;
    }

    // curl_slist_append returns null and leaves the list alone when it
    // cannot allocate; keep what there is rather than lose it.
    static curl_slist* AppendOrKeep(curl_slist* list, const char* line) {
        curl_slist* longer = curl_slist_append(list, line);
        return longer != nullptr ? longer : list;
    }

    SetupPtr setup_;
    CurlTransfer transfer_;
    std::string verb_;
    std::string url_;
    long httpVersion_;
    bool bypassProxy_;
    bool connectionTest_;
    PeerPolicy peer_;
    std::uint64_t replyLimit_ = kDefaultReplyLimit;
    std::vector<std::string> headers_;
    CurlSlistPtr headerList_;
    std::string body_;
    std::optional<std::string> proxyUser_;
    std::optional<std::string> proxyPassword_;
    std::optional<std::chrono::milliseconds> receiveTimeout_;
    std::optional<long> status_;
    bool tunnelRefused_ = false;
    ErrorSlot error_;
};

class CurlConnection final : public InternetConnection {
public:
    CurlConnection(SetupPtr setup, HostPort server, CurlConnectionPool pool)
        : setup_(std::move(setup)), server_(std::move(server)), pool_(std::move(pool)) {}

    InetError LastError() const override { return error_.code(); }
    std::string LastErrorDetail() const override { return error_.detail(); }

    std::unique_ptr<InternetRequest> OpenRequest(std::string_view verb, std::string_view page,
                                                 std::string_view version) override {
        const auto httpVersion = CurlHttpVersion(version);
        if (!httpVersion) {
            error_.Set(inet_error::kInvalidUrl, "Unknown HTTP version " + std::string(version));
            return nullptr;
        }
        std::string path(page);
        if (!path.starts_with('/')) path.insert(path.begin(), '/');
        const bool bypass = setup_->namedProxy && BypassesNamedProxy(server_.host);
        return std::make_unique<CurlRequest>(setup_, pool_, verb.empty() ? "GET" : std::string(verb),
                                             "https://" + server_.UrlAuthority() + path, *httpVersion, bypass, false);
    }

private:
    SetupPtr setup_;
    HostPort server_;
    CurlConnectionPool pool_;
    ErrorSlot error_;
};

class CurlSession final : public InternetSession {
public:
    explicit CurlSession(SetupPtr setup) : setup_(std::move(setup)) {}

    InetError LastError() const override { return error_.code(); }
    std::string LastErrorDetail() const override { return error_.detail(); }

    std::unique_ptr<InternetRequest> OpenUrl(std::string_view url) override {
        const auto host = HostOfUrl(url);
        if (!host) {
            error_.Set(inet_error::kInvalidUrl, "Invalid URL " + std::string(url));
            return nullptr;
        }
        auto pool = MakeCurlConnectionPool();
        if (!pool) {
            error_.Set(inet_error::kInternalError, "Cannot create a connection pool");
            return nullptr;
        }
        const bool bypass = setup_->namedProxy && BypassesNamedProxy(host->host);
        auto request = std::make_unique<CurlRequest>(setup_, std::move(pool), "GET", std::string(url),
                                                     CURL_HTTP_VERSION_1_1, bypass, true);
        if (!request->SendRequest({})) {
            error_.Set(request->LastError(), request->LastErrorDetail());
            return nullptr;
        }
        return request;
    }

    std::unique_ptr<InternetConnection> Connect(std::string_view server) override {
        auto parsed = ParseServerName(server);
        if (!parsed) {
            error_.Set(inet_error::kInvalidUrl, "Invalid server name \"" + std::string(server) + "\"");
            return nullptr;
        }
        auto pool = MakeCurlConnectionPool();
        if (!pool) {
            error_.Set(inet_error::kInternalError, "Cannot create a connection pool");
            return nullptr;
        }
        return std::make_unique<CurlConnection>(setup_, std::move(*parsed), std::move(pool));
    }

    void SetServerNames(std::vector<std::string> servers) override {
        auto setup = std::make_shared<SessionSetup>(*setup_);
        setup->knownHosts.clear();
        for (const auto& server : servers) {
            if (auto parsed = ParseServerName(server)) setup->knownHosts.push_back(std::move(parsed->host));
        }
        // Handles already open keep the list they were made with.
        setup_ = std::move(setup);
    }

private:
    SetupPtr setup_;
    ErrorSlot error_;
};

std::string EnvironmentValue(const char* lower, const char* upper) {
    const char* value = std::getenv(lower);
    if (value == nullptr) value = std::getenv(upper);
    return value != nullptr ? value : "";
}

} // namespace

SystemProxy SystemProxyFromEnvironment() {
    return {EnvironmentValue("https_proxy", "HTTPS_PROXY"), EnvironmentValue("no_proxy", "NO_PROXY")};
}

CurlTransport::CurlTransport(CurlTransportOptions options)
    : options_(std::move(options)), trust_(std::make_shared<TrustCache>(options_.caFolder, options_.systemCaFile)) {}

std::unique_ptr<InternetSession> CurlTransport::OpenSession(std::string_view agent, const ProxyChoice& proxy) {
    auto setup = std::make_shared<SessionSetup>();
    setup->agent = std::string(agent);
    setup->namedProxy = proxy.named;
    if (proxy.named) {
        setup->proxy = proxy.proxy;
    } else {
        // The system configuration is read once, when the session opens.
        SystemProxy system = options_.systemProxy ? *options_.systemProxy : SystemProxyFromEnvironment();
        setup->proxy = std::move(system.proxy);
        setup->noProxy = std::move(system.noProxy);
    }
    setup->trust = trust_;
    setup->limits = options_.limits;
    return std::make_unique<CurlSession>(std::move(setup));
}

} // namespace zumaset
