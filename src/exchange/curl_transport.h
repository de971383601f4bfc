#pragma once

#include "exchange/tls_trust.h"
#include "exchange/transport.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace zumaset {

// The time limits of the transport. No operation waits longer than these for
// a byte to move, so no request can hang for ever.
struct TransportLimits {
    // Establishing the TCP connection and the TLS handshake.
    std::chrono::milliseconds connect{30000};
    // Silence while sending a request and waiting for its reply's headers, and
    // while reading a reply before the caller sets its own receive time-out.
    std::chrono::milliseconds response{60000};
    // When set, replaces every receive time-out the callers set, so tests of
    // a stalled reply do not wait the full 20 seconds.
    std::optional<std::chrono::milliseconds> receiveOverride;
    // The whole of one request, from its send to the end of its reply, may
    // last `deadline` plus one second for every `bytesPerExtraSecond` bytes
    // moved: a reply arriving at a working speed is never cut, whatever its
    // size, while one dripping a byte now and then is, after about `deadline`.
    std::chrono::milliseconds deadline{120000};
    std::uint64_t bytesPerExtraSecond = 16 * 1024;
};

// The proxy of the "system configuration".
struct SystemProxy {
    std::string proxy;   // empty: direct
    std::string noProxy; // host names that go direct, comma separated
};

// https_proxy (or HTTPS_PROXY) and no_proxy (or NO_PROXY) of the environment.
SystemProxy SystemProxyFromEnvironment();

struct CurlTransportOptions {
    TransportLimits limits;
    std::filesystem::path caFolder; // the caller's Paths::ca
    // The system's CAs; tests put a CA of their own in its place.
    std::filesystem::path systemCaFile = DefaultSystemCaFile();
    // Empty: read from the environment each time a session is opened.
    std::optional<SystemProxy> systemProxy;
};

// The transport over libcurl. A CurlGlobal must be alive while it is used.
class CurlTransport final : public Transport {
public:
    explicit CurlTransport(CurlTransportOptions options = {});
    std::unique_ptr<InternetSession> OpenSession(std::string_view agent, const ProxyChoice& proxy) override;

private:
    CurlTransportOptions options_;
    // Built once for the process, shared by every session and connection.
    std::shared_ptr<TrustCache> trust_;
};

} // namespace zumaset
