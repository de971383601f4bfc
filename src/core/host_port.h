#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// A server as the settings name it: "host" or "host:port" (an IPv6 address in
// brackets, "[::1]:8443"). Without a port the HTTPS port 443 is meant.
struct HostPort {
    std::string host;
    int port = 443;

    // The server part of a URL: the host (an IPv6 address in brackets),
    // followed by ":port" unless the port is 443.
    std::string UrlAuthority() const;
};

// Splits a server name; empty for an empty host, a host holding a blank, a
// control character or one of / \ @ ? # (which would turn the name into
// another URL), or a port that is not a number from 1 to 65535. The settings
// editor accepts exactly the names this accepts.
std::optional<HostPort> ParseServerName(std::string_view server);

// A port number from 1 to 65535, written in decimal digits only.
std::optional<int> ParsePort(std::string_view text);

// The session's bypass rule for a named proxy: host names without a dot
// (intranet names, "localhost", IPv6 addresses) go direct.
bool BypassesNamedProxy(std::string_view host);

} // namespace zumaset
