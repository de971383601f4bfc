#include "core/message_table.h"
#include "exchange/curl_handles.h"
#include "platform/mail_failure.h"
#include "platform/smtp_mail_notices.h"

#include "error_log_fixture.h"
#include "smtp_server_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace zumaset {
namespace {

using test::ReceivedMail;
using test::SmtpServerProcess;

// One server for the whole program: starting the interpreter is the slow part.
class SmtpMailNoticesTest : public test::ErrorLogFixture {
protected:
    static void SetUpTestSuite() {
        curl_ = std::make_unique<CurlGlobal>();
        folder_ = std::make_unique<test::TempDir>();
        server_ = std::make_unique<SmtpServerProcess>(folder_->path());
    }
    static void TearDownTestSuite() {
        server_.reset();
        folder_.reset();
        curl_.reset();
    }

    SmtpMailNoticesTest() {
        settings.UseMAPI = true;
        settings.MAPIErrorMessage = true;
        settings.MAPINoRetMessage = true;
        settings.MailServer = server_->url();
        settings.MailFrom = "zumaset@deklarant.example";
        settings.SendTo = "celnik@van.example";
        before_ = server_->Messages().size();
    }

    // The messages the server stored during this test.
    std::vector<ReceivedMail> NewMessages() const {
        auto all = server_->Messages();
        return {all.begin() + static_cast<std::ptrdiff_t>(before_), all.end()};
    }

    SmtpMailNotices Notices() { return SmtpMailNotices(settings, logs, boxes, "zumaset"); }

    static std::unique_ptr<CurlGlobal> curl_;
    static std::unique_ptr<test::TempDir> folder_;
    static std::unique_ptr<SmtpServerProcess> server_;
    std::size_t before_ = 0;
};

std::unique_ptr<CurlGlobal> SmtpMailNoticesTest::curl_;
std::unique_ptr<test::TempDir> SmtpMailNoticesTest::folder_;
std::unique_ptr<SmtpServerProcess> SmtpMailNoticesTest::server_;

TEST_F(SmtpMailNoticesTest, NoticeReachesEveryRecipientWithSubjectAndUtf8Body) {
    settings.SendTo = "celnik@van.example,sklad@deklarant.example";
    const std::string text = "12029  K serveru nelze navázat spojení.\r\nSoubor: ŽÁDOST_01.TXT";
    Notices().SendMailNotice(NoticeKind::Error, text);

    EXPECT_EQ(ErrorLines(), "");
    const auto messages = NewMessages();
    ASSERT_EQ(messages.size(), 1u);
    const ReceivedMail& mail = messages[0];
    EXPECT_EQ(mail.mailFrom, "zumaset@deklarant.example");
    EXPECT_EQ(mail.recipients, (std::vector<std::string>{"celnik@van.example", "sklad@deklarant.example"}));
    EXPECT_EQ(mail.Header("Subject"), "Zumaset Error");
    EXPECT_EQ(mail.body, "12029  K serveru nelze navázat spojení.\nSoubor: ŽÁDOST_01.TXT\n");
}

// A second notice has its own Message-ID, and lines starting with a dot
// come through as they were.
TEST_F(SmtpMailNoticesTest, EachNoticeHasItsOwnMessageIdAndDotLinesSurvive) {
    Notices().SendMailNotice(NoticeKind::Information, "první");
    Notices().SendMailNotice(NoticeKind::MissingReceipt, ".\r\n..\r\nkonec");
    const auto messages = NewMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].Header("Message-ID"), messages[1].Header("Message-ID"));
    EXPECT_EQ(messages[1].Header("Subject"), "Zumaset Info");
    EXPECT_EQ(messages[1].body, ".\n..\nkonec\n");
}

// Errors go out only with MAPIErrorMessage, overdue receipts only with
// MAPINoRetMessage, information always; nothing without UseMAPI.
TEST_F(SmtpMailNoticesTest, OnlyTheKindsTheSettingsAskForAreSent) {
    settings.MAPINoRetMessage = false;
    Notices().SendMailNotice(NoticeKind::Error, "error");
    Notices().SendMailNotice(NoticeKind::MissingReceipt, "dropped");
    settings.MAPIErrorMessage = false;
    Notices().SendMailNotice(NoticeKind::Error, "dropped");
    Notices().SendMailNotice(NoticeKind::Information, "information");
    settings.MAPINoRetMessage = true;
    Notices().SendMailNotice(NoticeKind::MissingReceipt, "overdue");
    settings.UseMAPI = false;
    Notices().SendMailNotice(NoticeKind::Information, "dropped");
    std::vector<std::string> bodies;
    for (const ReceivedMail& message : NewMessages()) bodies.push_back(message.body);
    EXPECT_EQ(bodies, (std::vector<std::string>{"error\n", "information\n", "overdue\n"}));
    EXPECT_EQ(ErrorLines(), "");
}

// A notice that cannot go: reported once (box and error-log line), never
// mailed, nothing delivered.
struct FailureRow {
    const char* label;
    const char* sendTo;
    const char* mailServer; // nullptr: the test's server
    const char* mailFrom;
    const char* login; // MAPIUser
    long number;
    const char* description; // the start of the description
};

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << "SendTo '" << row.sendTo << "' gives [" << row.number << "]";
}

const FailureRow kFailures[] = {
    {"ServerRefusesARecipient", "X;Y,z@x.example", nullptr, "zumaset@d.example", "", mail_error::kUnknownRecipient,
     "Poštovní server odmítl příjemce 'X;Y'. (501 "},
    {"EmptyPieceBetweenSeparators", "a@x.example,,b@x.example", nullptr, "zumaset@d.example", "",
     mail_error::kUnknownRecipient, "Příjemce č. 2 v SendTo nemá adresu."},
    {"LineBreakInARecipient", "a@x.example\r\nDATA", nullptr, "zumaset@d.example", "", mail_error::kUnknownRecipient,
     "Adresa příjemce č. 1 v SendTo obsahuje řídicí znak."},
    {"NoServerSet", "a@x.example", "", "zumaset@d.example", "", mail_error::kFailure,
     "Poštovní server není nastaven (MailServer)."},
    {"ServerNotAnSmtpUrl", "a@x.example", "https://mail.example", "zumaset@d.example", "", mail_error::kFailure,
     "Nastavení MailServer není adresa smtp:// ani smtps:// (https://mail.example)."},
    {"NoSenderSet", "a@x.example", nullptr, "", "", mail_error::kFailure,
     "Adresa odesílatele není nastavena (MailFrom)."},
    {"LoginNeverSentInTheClear", "a@x.example", nullptr, "zumaset@d.example", "deklarant", mail_error::kLoginFailed,
     "Poštovní server nenabízí šifrované spojení"},
};

class NoticeFailures : public SmtpMailNoticesTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(NoticeFailures, AreReportedOnceAndNeverMailed) {
    const FailureRow& row = GetParam();
    settings.ShowErrMessage = true;
    settings.SendTo = row.sendTo;
    settings.MailFrom = row.mailFrom;
    settings.MAPIUser = row.login;
    settings.MAPIPass = "heslo";
    settings.MailServer = row.mailServer == nullptr ? server_->url() : std::string(row.mailServer);
    Notices().SendMailNotice(NoticeKind::Error, "12029  text");

    EXPECT_TRUE(NewMessages().empty());
    EXPECT_TRUE(mail.notices.empty());
    const std::string prefix = "[06.12.2026 09:05:03]  -  [" + std::to_string(row.number) + "] *** ";
    const std::string lines = ErrorLines();
    EXPECT_TRUE(lines.starts_with(prefix + row.description)) << lines;
    EXPECT_EQ(lines.find("\r\n"), lines.size() - 2) << "one line: " << lines;
    EXPECT_EQ(lines.find("heslo"), std::string::npos) << lines;
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, NoticeFailures, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.label); });

// An encrypting server is spoken to over TLS, and its certificate is checked:
// one from an unknown authority fails the notice (nothing goes in the clear).
class EncryptedServer : public test::ErrorLogFixture, public ::testing::WithParamInterface<test::SmtpTls> {};

TEST_P(EncryptedServer, IsUsedAndItsCertificateChecked) {
    const CurlGlobal curl;
    std::filesystem::create_directories(dir / "smtp");
    SmtpServerProcess server(dir / "smtp", GetParam());
    settings.UseMAPI = true;
    settings.MailServer = server.url();
    settings.MailFrom = "zumaset@deklarant.example";
    settings.SendTo = "celnik@van.example";
    SmtpMailNotices(settings, logs, boxes, "zumaset").SendMailNotice(NoticeKind::Information, "text");
    EXPECT_TRUE(server.Messages().empty());
    const std::string lines = ErrorLines();
    EXPECT_NE(lines.find("[32023] *** Spojení s poštovním serverem selhalo. (SSL certificate problem"),
              std::string::npos)
        << lines;
}

INSTANTIATE_TEST_SUITE_P(Modes, EncryptedServer, ::testing::Values(test::SmtpTls::StartTls, test::SmtpTls::Smtps),
                         [](const auto& info) {
                             return std::string(info.param == test::SmtpTls::StartTls ? "StartTls" : "Smtps");
                         });

} // namespace
} // namespace zumaset
