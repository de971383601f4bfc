#include "core/message_table.h"
#include "core/time_format.h"
#include "platform/mail_message.h"

#include "smtp_server_process.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace zumaset {
namespace {

struct SplitRow {
    const char* label;
    const char* sendTo;
    std::vector<std::string> recipients;
};

void PrintTo(const SplitRow& row, std::ostream* os) {
    *os << "SendTo '" << row.sendTo << "'";
}

const SplitRow kSplits[] = {
    {"CommaWinsOverSemicolon", "X;Y,Z", {"X;Y", "Z"}},
    {"SemicolonWinsOverBlank", "a@x.cz;b c@x.cz", {"a@x.cz", "b c@x.cz"}},
    {"BlankWhenNoOtherSeparator", "a@x.cz b@x.cz", {"a@x.cz", "b@x.cz"}},
    {"PiecesNotTrimmed", "a@x.cz, b@x.cz", {"a@x.cz", " b@x.cz"}},
    {"EmptyPieceBetweenTwoSeparators", "a@x.cz,,b@x.cz", {"a@x.cz", "", "b@x.cz"}},
};

class RecipientSplit : public ::testing::TestWithParam<SplitRow> {};

TEST_P(RecipientSplit, FollowsTheSeparatorRules) {
    EXPECT_EQ(SplitRecipients(GetParam().sendTo), GetParam().recipients);
}

INSTANTIATE_TEST_SUITE_P(Table, RecipientSplit, ::testing::ValuesIn(kSplits),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(QuotedPrintable, KeepsEveryByteAndEveryLineShort) {
    const std::string text = "Chyba: soubor " + std::string(200, 'x') + " nebyl odeslán = 5 \nřádek\r\nkonec\r" +
                             std::string(80, '=') + "\t";
    const std::string encoded = QuotedPrintable(text);
    std::string expected = ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n");
    expected = ReplaceAll(expected, "\n", "\r\n") + "\r\n";
    EXPECT_EQ(test::DecodeQuotedPrintable(encoded), expected);
    std::size_t start = 0;
    while (start < encoded.size()) {
        const auto end = encoded.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = encoded.substr(start, end - start);
        EXPECT_LE(line.size(), 76u) << line;
        EXPECT_FALSE(line.ends_with(" ") || line.ends_with("\t")) << line;
        for (const char c : line) EXPECT_TRUE((c >= 33 && c <= 126) || c == ' ' || c == '\t') << line;
        start = end + 2;
    }
}

TEST(MailMessageText, CarriesTheHeadersAPlainUtf8BodyNeeds) {
    const MailMessage message{"zumaset@rlk.example", {"a@x.cz", " b@x.cz"}, "Zumaset Error", "Žluťoučký kůň"};
    const auto at = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + std::chrono::hours(3);
    EXPECT_EQ(MailMessageText(message, at, "1f.42"), "Date: Mon, 07 Dec 2026 03:00:00 +0000\r\n"
                                                     "From: zumaset@rlk.example\r\n"
                                                     "To: a@x.cz,  b@x.cz\r\n"
                                                     "Subject: Zumaset Error\r\n"
                                                     "Message-ID: <1f.42@rlk.example>\r\n"
                                                     "MIME-Version: 1.0\r\n"
                                                     "Content-Type: text/plain; charset=UTF-8\r\n"
                                                     "Content-Transfer-Encoding: quoted-printable\r\n"
                                                     "\r\n"
                                                     "=C5=BDlu=C5=A5ou=C4=8Dk=C3=BD k=C5=AF=C5=88\r\n");
}

} // namespace
} // namespace zumaset
