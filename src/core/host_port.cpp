#include "core/host_port.h"

#include "core/text.h"

#include <algorithm>

namespace zumaset {
namespace {

// A blank, a control character, or a character that ends the host part of a
// URL or marks user information before it.
bool IsForeignToHost(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7f || std::string_view("/\\@?#").find(c) != std::string_view::npos;
}

} // namespace

std::optional<int> ParsePort(std::string_view text) {
    const auto port = ParseWholeNumber(text);
    if (!port || *port < 1 || *port > 65535) return std::nullopt;
    return static_cast<int>(*port);
}

std::string HostPort::UrlAuthority() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    std::string text = ipv6 ? "[" + host + "]" : host;
    if (port != 443) text += ":" + std::to_string(port);
    return text;
}

std::optional<HostPort> ParseServerName(std::string_view server) {
    HostPort result;
    std::string_view rest;
    if (server.starts_with('[')) {
        const auto close = server.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        result.host = std::string(server.substr(1, close - 1));
        rest = server.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
    } else {
        const auto colon = server.find(':');
        result.host = std::string(server.substr(0, colon));
        if (colon != std::string_view::npos) rest = server.substr(colon);
    }
    if (result.host.empty() || std::ranges::any_of(result.host, IsForeignToHost)) return std::nullopt;
    if (!rest.empty()) {
        auto port = ParsePort(rest.substr(1));
        if (!port) return std::nullopt;
        result.port = *port;
    }
    return result;
}

bool BypassesNamedProxy(std::string_view host) {
    return host.find('.') == std::string_view::npos;
}

} // namespace zumaset
