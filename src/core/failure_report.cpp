#include "core/failure_report.h"

#include "core/message_table.h"
#include "core/system_error_text.h"

#include <utility>

namespace zumaset {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string ErrorHeading(long number) {
    return LoadMessage(msg::kApplicationError, {{kPlaceholder, std::to_string(number)}});
}

std::string FirstLine(std::string text) {
    text = text.substr(0, text.find('\0'));
    return text.substr(0, text.find('\r'));
}

} // namespace

FailureReporter::FailureReporter(const Settings& settings, const Logs& logs, MessageBoxes& boxes, MailNotices& mail,
                                 std::string programName, ErrorTextLookup errorText)
    : settings_(settings), logs_(logs), boxes_(boxes), mail_(mail), programName_(std::move(programName)),
      errorText_(errorText ? errorText : &SystemErrorText) {}

FailureReport FailureReport::Message(int id, std::string detail) {
    FailureReport report;
    report.number = id;
    report.text = MessageText(id);
    report.detail = std::move(detail);
    return report;
}

std::string CodeAndText(long code, std::string_view text) {
    return std::to_string(code) + "  " + std::string(text);
}

void FailureReporter::ShowBox(std::string_view text, MessageIcon icon) const noexcept {
    try {
        boxes_.Show(programName_, text, icon);
    } catch (...) {
        // A box that cannot be shown must not cost the log line and the notice.
    }
}

void FailureReporter::Notify(std::string_view text) const noexcept {
    try {
        mail_.SendMailNotice(NoticeKind::Error, text);
    } catch (...) {}
}

void FailureReporter::ReportFailure(const FailureReport& report) const noexcept {
    try {
        if (settings_.ShowErrMessage) {
            std::string box =
                ErrorHeading(report.number) + std::string(kCrLf) + ReplaceAll(report.text, kPlaceholder, kCrLf);
            if (!report.detail.empty()) box += std::string(kCrLf) + report.detail;
            ShowBox(box, report.icon);
        }
        std::string line = "[" + std::to_string(report.number) + "] *** " + ReplaceAll(report.text, kPlaceholder, " ");
        if (!report.detail.empty()) line += "  " + report.detail;
        logs_.WriteLog(line, LogKind::Error);
        if (report.beforeNotice) report.beforeNotice();
        if (report.notice) Notify(*report.notice);
    } catch (...) {}
}

std::string FailureReporter::Describe(long code, std::string_view cause) const {
    std::string description = FirstLine(errorText_(code));
    const std::string said(cause.substr(0, cause.find_first_of(std::string_view("\r\n\0", 3))));
    if (!said.empty()) description += (description.empty() ? "(" : " (") + said + ")";
    return description;
}

void FailureReporter::ReportSystemError(long code, std::string_view detail, BoxPolicy box) const noexcept {
    try {
        ReportDescribed(code, Describe(code), detail, box);
    } catch (...) {}
}

void FailureReporter::ReportTransportError(long code, std::string_view cause) const noexcept {
    try {
        ReportDescribed(code, Describe(code, cause), {}, BoxPolicy::FromSettings);
    } catch (...) {}
}

void FailureReporter::ReportDescribed(long code, const std::string& description, std::string_view detail,
                                      BoxPolicy box) const noexcept {
    try {
        if (box == BoxPolicy::Always || settings_.ShowErrMessage) {
            ShowBox(ErrorHeading(code) + std::string(kCrLf) + description + " " + std::string(detail),
                    MessageIcon::Exclamation);
        }
        logs_.WriteLog("[" + std::to_string(code) + "] *** " + description + "  " + std::string(detail),
                       LogKind::Error);
        Notify(CodeAndText(code, description));
    } catch (...) {}
}

} // namespace zumaset
