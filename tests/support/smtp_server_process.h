#pragma once

#include "child_process.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zumaset::test {

// One message as the SMTP server stored it.
struct ReceivedMail {
    std::map<std::string, std::string> headers; // first occurrence of each, unfolded
    std::string body;                           // decoded (quoted-printable), lines ended by "\n"
    std::string mailFrom;                       // the envelope sender
    std::vector<std::string> recipients;        // the envelope recipients, in order

    // A header's value, or "" when the message has none.
    std::string Header(const std::string& name) const;
};

// How the test server encrypts: not at all, STARTTLS offered (and required
// before a message), or TLS from the first byte (smtps). Its certificate
// comes from a throw-away test CA that no client trusts.
enum class SmtpTls { None, StartTls, Smtps };

// Debian's aiosmtpd on a free 127.0.0.1 port, storing every message it
// accepts in a maildir under `folder`. It accepts any sender and recipient
// that parses as an address (an empty one included) and refuses others with
// 501. Started by the constructor (which throws when it does not come up),
// stopped by the destructor.
class SmtpServerProcess {
public:
    explicit SmtpServerProcess(const std::filesystem::path& folder, SmtpTls tls = SmtpTls::None);

    // "smtp://127.0.0.1:port" ("smtps://" for SmtpTls::Smtps), as the
    // MailServer setting names it.
    std::string url() const {
        return (tls_ == SmtpTls::Smtps ? "smtps://127.0.0.1:" : "smtp://127.0.0.1:") + std::to_string(port_);
    }

    // Every message stored so far, in the order they arrived.
    std::vector<ReceivedMail> Messages() const;

private:
    std::filesystem::path mailbox_;
    SmtpTls tls_;
    int port_ = 0;
    std::optional<ChildProcess> child_;
};

// Decodes a quoted-printable text (soft line breaks after LF or CR LF
// removed, "=XX" turned into its byte).
std::string DecodeQuotedPrintable(const std::string& text);

} // namespace zumaset::test
