#pragma once

#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/settings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// One failure as the user, the error log and the mail see it.
struct FailureReport {
    long number = 0;      // error code or message number, shown in message 900 and the log line
    std::string text{};   // "|1" in it becomes a line break in the box and one blank in the log
    std::string detail{}; // optional: a file name, a code, a quoted path
    MessageIcon icon = MessageIcon::Exclamation;
    std::optional<std::string> notice{}; // text of the error e-mail notice; none = no notice
    // The lines the caller adds to the report (a session-log line, traces),
    // written after the error-log line and before the e-mail notice.
    std::function<void()> beforeNotice{};

    // A report of a message from the table, numbered with its own id.
    static FailureReport Message(int id, std::string detail = {});
};

// The usual notice text of a failure: code, two blanks, description.
std::string CodeAndText(long code, std::string_view text);

// Whether the box of a report depends on the ShowErrMessage setting.
enum class BoxPolicy { FromSettings, Always };

// Gives the description of an error code (SystemErrorText unless a test says otherwise).
using ErrorTextLookup = std::string (*)(long code);

// The one way every routine reports a failure: a box when ShowErrMessage is on,
// a line in the error log, and an e-mail notice of the error kind. Never throws.
class FailureReporter {
public:
    FailureReporter(const Settings& settings, const Logs& logs, MessageBoxes& boxes, MailNotices& mail,
                    std::string programName, ErrorTextLookup errorText = nullptr);

    // Box text: message 900 for the number, CR LF, the text (|1 = CR LF) and,
    // with a detail, CR LF and the detail. Log line: "[n] *** text" (|1 = one
    // blank), then two blanks and the detail when there is one.
    void ReportFailure(const FailureReport& report) const noexcept;

    // A failed system or transport call: the first line of the code's
    // description goes to the box (with one blank and the detail), the log line
    // "[code] *** description  detail" and the notice "code  description". One
    // table (SystemErrorText) describes the transport and the file codes.
    void ReportSystemError(long code, std::string_view detail, BoxPolicy box = BoxPolicy::FromSettings) const noexcept;

    // A failed transport call: as ReportSystemError for a transport code, the
    // description followed by the transport's own words on the failure in
    // brackets when it has any ("... (SSL certificate problem: ...)").
    void ReportTransportError(long code, std::string_view cause) const noexcept;

    // The first line of the code's description, and the cause in brackets
    // when there is one.
    std::string Describe(long code, std::string_view cause = {}) const;

    const std::string& programName() const { return programName_; }

private:
    void ShowBox(std::string_view text, MessageIcon icon) const noexcept;
    void Notify(std::string_view text) const noexcept;
    void ReportDescribed(long code, const std::string& description, std::string_view detail,
                         BoxPolicy box) const noexcept;

    const Settings& settings_;
    const Logs& logs_;
    MessageBoxes& boxes_;
    MailNotices& mail_;
    std::string programName_;
    ErrorTextLookup errorText_;
};

} // namespace zumaset
