#include "core/message_table.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(MessageTable, SubstitutingLineBreaksFillsAllFivePlaceholdersOf501) {
    const std::string text = LoadMessage(msg::kInstallCaQuestion, {{"|1", "\r\n"}});
    EXPECT_EQ(
        text,
        "Zumaset nyní potřebuje nainstalovat certifikát CA. \r\nBez tohoto certifikátu nelze komunikovat se serverem. "
        "\r\nPokud odpovíte 'Ano', v následujícím dialogu zvolte \r\n' Otevřít z aktuálního umístění '.\r\n\r\n"
        "Chcete certifikát nainstalovat hned?");
}

TEST(MessageTable, UnknownNumberGivesEmptyText) {
    EXPECT_EQ(MessageText(919), "");
    EXPECT_EQ(LoadMessage(-1, {{"|1", "x"}}), "");
}

TEST(MessageTable, PairsApplyInOrderToTheTextSoFarAndCompareCase) {
    EXPECT_EQ(LoadMessage(msg::kSendActivity, {{"|1", "a|1"}, {"|1", "b"}}), "Proces SEND - ab");
    EXPECT_EQ(LoadMessage(msg::kSendActivity, {{"proces", "x"}, {"", "y"}}), "Proces SEND - |1");
    EXPECT_EQ(ReplaceAll("|1|1", "|1", "|1|1"), "|1|1|1|1");
}

TEST(MessageTable, ParserReadsEachTextVerbatimToTheLineEnd) {
    const auto table = ParseMessageTable("# comment\n\n7\ttrailing  \r\n8\ttab\tinside\nx\tno number\n9 no tab\n"
                                         "\tno id\n10\t\n11\tlast line without break");
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(table.at(7), "trailing  ");
    EXPECT_EQ(table.at(8), "tab\tinside");
    EXPECT_EQ(table.at(10), "");
    EXPECT_EQ(table.at(11), "last line without break");
}

} // namespace
} // namespace zumaset
