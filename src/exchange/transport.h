#pragma once

#include "core/inet_error.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// The most reply bytes a request reads unless its caller sets another limit.
inline constexpr std::uint64_t kDefaultReplyLimit = 8u * 1024 * 1024;

// The internet transport as the rest of the client sees it: a session, a
// connection to one server and HTTP requests on it. Every handle is an
// object; destroying it closes it, in any order. A failing operation returns
// false, nullptr or an empty optional and leaves a WinINet-style error number
// (core/inet_error.h) readable on the object it was called on.

// The part every handle shares: the error left by its last failing operation.
class InternetHandle {
public:
    virtual ~InternetHandle() = default;
    // The error number of the last failed operation on this handle, 0 if none.
    virtual InetError LastError() const = 0;
    // The underlying library's own words on that failure, for the debug trace.
    virtual std::string LastErrorDetail() const = 0;
};

// One HTTP request. It is sent by SendRequest (again and again if need be);
// after a send its status and reply are readable.
class InternetRequest : public InternetHandle {
public:
    // Adds one header line ("Name: value", trailing CR LF optional, several
    // lines separated by CR LF allowed), replacing a header of the same name.
    virtual bool AddRequestHeader(std::string_view header) = 0;
    // Sends the request with this body (ignored for a GET) and waits for the
    // status line and headers of the reply. A proxy that wants credentials
    // gives status 407 and the send still succeeds. False when no reply came.
    virtual bool SendRequest(std::string_view body) = 0;
    // The numeric HTTP status of the last reply; empty before any reply.
    virtual std::optional<long> QueryStatusCode() = 0;
    // The length the last reply announces (its Content-Length), when it
    // announces one. Only a guide for showing progress: the reply read may
    // differ. Empty before any reply.
    virtual std::optional<std::uint64_t> QueryReplyLength() { return std::nullopt; }
    // Reads the next part of the reply into `buffer`, filling it unless the
    // reply ends first. Returns the byte count (0 at the end) or empty on a
    // failure: the receive time-out, a reply cut short (also one whose
    // connection closed without the TLS end signal), a reply longer than the
    // reply limit, or a request that outlived its deadline. Whatever a caller
    // leaves unread is read to its end before the connection serves the next
    // request, so an unread reply never costs a new connection.
    virtual std::optional<std::size_t> ReadFile(std::span<char> buffer) = 0;
    // The most reply bytes to read (kDefaultReplyLimit when not set); one
    // more fails the read with inet_error::kReplyTooLarge. Set after
    // SendRequest, it applies to the reply already under way.
    virtual bool SetReplyLimit(std::uint64_t bytes) = 0;
    // Proxy credentials; they apply from the next SendRequest.
    virtual bool SetProxyUserName(std::string_view user) = 0;
    virtual bool SetProxyPassword(std::string_view password) = 0;
    // The longest wait for reply bytes while reading. Besides it every
    // request has a deadline for the whole exchange that grows with the bytes
    // moved (the transport's own), so a server dripping a byte now and then
    // cannot hold it for ever.
    virtual bool SetReceiveTimeout(std::chrono::milliseconds timeout) = 0;
};

// A connection to one server ("host" or "host:port", port 443 by default).
class InternetConnection : public InternetHandle {
public:
    // Opens a request for `page` ("/secure/..."), nothing is sent yet.
    // `verb` is "POST" or "GET", `version` "HTTP/1.0" or "HTTP/1.1".
    virtual std::unique_ptr<InternetRequest> OpenRequest(std::string_view verb, std::string_view page,
                                                         std::string_view version) = 0;
};

// The internet session of the process: agent text and proxy choice.
class InternetSession : public InternetHandle {
public:
    // Opens an https URL with a GET and sends it at once: the connection test.
    // Its certificate must be valid and issued for the host it comes from;
    // a redirect is followed over https, a few times at most. Null when no
    // reply came (the error is left on the session); a 407 still gives a
    // request.
    virtual std::unique_ptr<InternetRequest> OpenUrl(std::string_view url) = 0;
    // A connection handle for `server` ("host" or "host:port"); no network
    // traffic yet. Null for a server name that cannot be used.
    virtual std::unique_ptr<InternetConnection> Connect(std::string_view server) = 0;
    // The configured servers ("host" or "host:port"). Outside the connection
    // test a server certificate issued for one of them is accepted from any
    // of them; connections made later follow the new list.
    virtual void SetServerNames(std::vector<std::string> servers) = 0;
};

// How the session reaches servers.
struct ProxyChoice {
    // True: through `proxy` ("host:port"), host names without a dot going
    // direct. False: the system configuration (https_proxy / no_proxy).
    bool named = false;
    std::string proxy;
};

// Opens sessions; one per process is enough.
class Transport {
public:
    virtual ~Transport() = default;
    virtual std::unique_ptr<InternetSession> OpenSession(std::string_view agent, const ProxyChoice& proxy) = 0;
};

} // namespace zumaset
