#pragma once

#include <curl/curl.h>
#include <string>
#include <string_view>

namespace zumaset {

// The numbers a failed e-mail notice is reported with: 32000 plus the Simple
// MAPI error code of the same meaning, the numbering mail failures have always
// had in the error log.
namespace mail_error {
inline constexpr long kFailure = 32002;          // anything else: a refused sender or message, a bad setting
inline constexpr long kLoginFailed = 32003;      // the login was refused or could not be sent safely
inline constexpr long kUnknownRecipient = 32014; // a recipient without an address, or one the server refused
inline constexpr long kNetworkFailure = 32023;   // no connection, time-out, TLS failure, connection lost
} // namespace mail_error

// One failed notice as the failure report shows it.
struct MailFailure {
    long number = 0;
    std::string description; // one line: a text of our own, and the cause in brackets
};

// What the conversation with the mail server had reached when it failed.
// libcurl ends a failed conversation with QUIT, so the first refusal is kept
// apart from what came after it.
struct SmtpExchange {
    std::string lastCommand;   // the verb of the last command sent ("MAIL", "RCPT", "DATA", ...)
    std::string lastRecipient; // the address of the last RCPT command
    // The first reply of the server that refused a command (4xx, 5xx:
    // "501 Syntax: ..."), the verb of that command and, for RCPT, its address.
    std::string refusal;
    std::string refusedCommand;
    std::string refusedRecipient;
};

// The failure of a notice whose transfer ended with `code` (not CURLE_OK).
// `curlText` is libcurl's own words on it. A reply of the server that refuses
// a command (4xx, 5xx) is named with the command it refused.
MailFailure MailFailureFromCurl(CURLcode code, std::string_view curlText, const SmtpExchange& exchange);

// True for a reply line that refuses a command (4xx, 5xx).
bool IsSmtpRefusal(std::string_view reply);

// The texts of the four numbers, without a cause.
std::string_view MailFailureText(long number);

} // namespace zumaset
