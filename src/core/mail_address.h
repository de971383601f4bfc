#pragma once

#include <string_view>

namespace zumaset {

// A mail server as the MailServer setting names it: "smtp://host[:port]"
// (STARTTLS when the server offers it) or "smtps://host[:port]" (TLS from the
// first byte), the scheme in any case, the host as a server setting takes it
// (an IPv6 address in brackets), optionally ended by "/". Nothing else: no
// user, path, query or blank.
bool IsMailServerUrl(std::string_view text);

// One plain e-mail address "local@domain": exactly one "@" with text on both
// sides, and no blank, control character or any of < > ( ) [ ] , ; : " \.
bool IsMailAddress(std::string_view text);

} // namespace zumaset
