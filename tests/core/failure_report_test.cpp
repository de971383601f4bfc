#include "core/failure_report.h"
#include "core/message_table.h"
#include "core/system_error_text.h"
#include "core/time_format.h"

#include "error_log_fixture.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace zumaset {
namespace {

using test::ReadFileBytes;

std::string TwoLineText(long) {
    return "First line\r\nSecond line\r\n";
}

class FailureReportTest : public test::ErrorLogFixture {};

TEST_F(FailureReportTest, SystemErrorWithBoxOffStillLogsAndNotifiesFirstLineOnly) {
    FailureReporter reporter(settings, logs, boxes, mail, "zumaset", &TwoLineText);
    reporter.ReportSystemError(12029, "\"/data/x.txt\"");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ErrorLines(), "[06.12.2026 09:05:03]  -  [12029] *** First line  \"/data/x.txt\"\r\n");
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].kind, NoticeKind::Error);
    EXPECT_EQ(mail.notices[0].text, "12029  First line");
}

TEST_F(FailureReportTest, TransportErrorCarriesTheTransportsOwnWordsInBrackets) {
    FailureReporter reporter(settings, logs, boxes, mail, "zumaset", &TwoLineText);
    reporter.ReportTransportError(12045, "SSL certificate problem: unable to get local issuer certificate\nmore");
    EXPECT_EQ(ErrorLines(), "[06.12.2026 09:05:03]  -  [12045] *** First line (SSL certificate problem: unable to "
                            "get local issuer certificate)  \r\n");
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].text,
              "12045  First line (SSL certificate problem: unable to get local issuer certificate)");
}

TEST_F(FailureReportTest, TheCallersLinesComeAfterTheErrorLogLineAndBeforeTheNotice) {
    std::vector<std::string> order;
    class OrderedMail final : public MailNotices {
    public:
        explicit OrderedMail(std::vector<std::string>& order) : order_(order) {}
        void SendMailNotice(NoticeKind, std::string_view) override { order_.push_back("notice"); }

    private:
        std::vector<std::string>& order_;
    } orderedMail(order);
    FailureReporter reporter(settings, logs, boxes, orderedMail, "zumaset");
    FailureReport report{911, "text", {}, MessageIcon::Exclamation, "911  text"};
    report.beforeNotice = [&] { order.push_back(ErrorLines().empty() ? "caller before the log line" : "caller"); };
    reporter.ReportFailure(report);
    EXPECT_EQ(order, (std::vector<std::string>{"caller", "notice"}));
}

TEST_F(FailureReportTest, MessageReportBreaksLinesInTheBoxAndUsesBlanksInTheLog) {
    settings.ShowErrMessage = true;
    FailureReporter reporter(settings, logs, boxes, mail, "zumaset");
    FailureReport report = FailureReport::Message(msg::kLoginRefused, "A.TXT");
    reporter.ReportFailure(report);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Chyba aplikace :  [909]\r\nServer odmítl požadavek na připojení. \r\n"
                                   "Zkontrolujte uživatelské jméno a heslo.\r\nA.TXT");
    EXPECT_EQ(ErrorLines(), "[06.12.2026 09:05:03]  -  [909] *** Server odmítl požadavek na připojení.  "
                            "Zkontrolujte uživatelské jméno a heslo.  A.TXT\r\n");
    EXPECT_TRUE(mail.notices.empty()); // not asked for
}

TEST_F(FailureReportTest, ABoxThatFailsDoesNotCostTheLogLineOrTheNotice) {
    struct ThrowingBoxes final : MessageBoxes {
        void Show(std::string_view, std::string_view, MessageIcon) override { throw std::runtime_error("no display"); }
    } throwing;
    settings.ShowErrMessage = true;
    FailureReporter reporter(settings, logs, throwing, mail, "zumaset");
    reporter.ReportSystemError(5, "d");
    EXPECT_NE(ErrorLines().find("[5] *** "), std::string::npos);
    EXPECT_EQ(mail.notices.size(), 1u);
}

} // namespace
} // namespace zumaset
