#pragma once

#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/settings.h"

#include <chrono>
#include <string>
#include <string_view>

namespace zumaset {

// E-mail notices over SMTP. Each notice is one conversation with MailServer
// (STARTTLS when an smtp:// server offers it; smtps:// is TLS throughout),
// from MailFrom to every piece of SendTo, logged in as MAPIUser with MAPIPass
// when MAPIUser is set (and then only over an encrypted connection). The
// settings are read at every notice. A notice that fails is reported once,
// never mailed: a box when ShowErrMessage is on (message 900 with the
// number, a line break and the description) and the error-log line
// "[number] *** description". Nothing is retried. Needs libcurl initialised
// by the program (CurlGlobal).
class SmtpMailNotices final : public MailNotices {
public:
    // How long a notice may take at most: connecting, and the whole conversation.
    static constexpr std::chrono::seconds kConnectTimeout{30};
    static constexpr std::chrono::seconds kNoticeTimeout{120};

    SmtpMailNotices(const Settings& settings, const Logs& logs, MessageBoxes& boxes, std::string programName);

    void SendMailNotice(NoticeKind kind, std::string_view text) override;

private:
    void Report(long number, const std::string& description) const noexcept;

    const Settings& settings_;
    const Logs& logs_;
    MessageBoxes& boxes_;
    std::string programName_;
};

} // namespace zumaset
