#pragma once

#include "core/mail_notice.h"
#include "core/settings.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// Whether the settings let a notice of this kind go out: UseMAPI for every
// kind, and MAPIErrorMessage for errors, MAPINoRetMessage for overdue receipts.
bool NoticeWanted(const Settings& settings, NoticeKind kind);

// "Zumaset Error" for errors, "Zumaset Info" for every other kind.
std::string_view NoticeSubject(NoticeKind kind);

// The recipients of SendTo: split at every "," when it holds one, else at
// every ";", else at every blank. The pieces are kept as they are, in order:
// not trimmed, and empty ones included (the mail layer refuses those).
std::vector<std::string> SplitRecipients(std::string_view sendTo);

// A date as a mail's Date header carries it, in UTC:
// "Mon, 07 Dec 2026 03:26:21 +0000".
std::string MailDate(std::chrono::system_clock::time_point at);

// The text in quoted-printable form with CR LF line ends: every line break of
// the text (CR LF, LF or CR) becomes CR LF, lines are kept under 77
// characters with soft breaks, and every byte that is not printable ASCII
// (so every byte of a UTF-8 letter) is written as "=XX". The result ends
// with CR LF.
std::string QuotedPrintable(std::string_view text);

// One notice as it goes to the mail server.
struct MailMessage {
    std::string from;                    // MailFrom
    std::vector<std::string> recipients; // the pieces of SendTo
    std::string subject;
    std::string text; // UTF-8
};

// The message's headers and body, each line ended by CR LF: Date, From, To,
// Subject, a Message-ID made of `uniquePart` and the sender's domain, and a
// plain-text UTF-8 body in quoted-printable form. The recipients and the
// sender must hold no control character.
std::string MailMessageText(const MailMessage& message, std::chrono::system_clock::time_point at,
                            std::string_view uniquePart);

} // namespace zumaset
