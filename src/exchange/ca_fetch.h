#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <variant>

namespace zumaset {

// How the operator's CA certificates are fetched.
struct CaFetchOptions {
    std::string proxy;     // "host:port"; empty: direct
    std::string noProxy;   // host names that go direct, comma separated
    std::string proxyUser; // the answer to a proxy that asks; none when empty
    std::string proxyPassword;
    std::chrono::milliseconds connect{30000};
    std::chrono::milliseconds whole{60000}; // the whole request
};

// A failed fetch: its reason in a line.
struct CaFetchError {
    std::string reason;
};

// Fetches https://`server``page` ("/download/cert.der") for the first trust
// step: the server's certificate chain is NOT verified, since the client does
// not trust the operator's CA before it has it. This request alone does so;
// it is kept apart from the transport and never used for anything else. No
// redirect is followed (the body must come from the server named), only
// https is spoken, and a body over 64 KiB is refused (a certificate is
// small). Only a 200 reply counts.
std::variant<std::string, CaFetchError> FetchCaCertificate(std::string_view server, std::string_view page,
                                                           const CaFetchOptions& options);

} // namespace zumaset
