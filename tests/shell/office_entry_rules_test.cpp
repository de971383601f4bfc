#include "shell/office_entry_rules.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

struct KeyRow {
    const char* name;
    const char* text;
    char32_t key;
    CodeKey verdict;
};

void PrintTo(const KeyRow& row, std::ostream* os) {
    *os << row.name << " (\"" << row.text << "\")";
}

const KeyRow kKeyRows[] = {
    {"LowerLetterFirst", "", U'c', CodeKey::Accept},
    {"UpperLetterFirstIsLowered", "", U'C', CodeKey::AcceptLowered},
    {"DigitFirstIsRefused", "", U'9', CodeKey::Refuse},
    {"AccentedLetterIsRefused", "", U'č', CodeKey::Refuse},
    {"BlanksDoNotCount", "  c ", U'9', CodeKey::Refuse},
    {"DigitThird", "cz", U'9', CodeKey::Accept},
    {"LetterThirdIsRefused", "cz", U'a', CodeKey::Refuse},
};

class OfficeCodeTyping : public testing::TestWithParam<KeyRow> {};

TEST_P(OfficeCodeTyping, DecidesOnTheTrimmedTextBeforeTheKey) {
    EXPECT_EQ(OfficeCodeKey(GetParam().text, GetParam().key), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(Keys, OfficeCodeTyping, testing::ValuesIn(kKeyRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct TextRow {
    const char* name;
    const char* text;
    bool fits;      // may stand in the field while editing
    bool malformed; // refused on leaving the field
};

void PrintTo(const TextRow& row, std::ostream* os) {
    *os << row.name << " (\"" << row.text << "\")";
}

const TextRow kTextRows[] = {
    {"Empty", "", true, false},
    {"FourCharacters", "cz90", true, true},
    {"WholeCodeUpper", "CZ900000", true, false},
    {"NineCharacters", "cz9000001", false, true},
    {"DigitBeforeLetters", "9cz00000", false, false},
    {"PastedWithBlanks", " CZ900000 ", false, false},
    {"TwoDigitsFirst", "12345678", false, true},
    {"SignedDigitFirst", "-1345678", false, true},
    {"DigitAndPointFirst", "1.345678", false, true},
};

class OfficeCodeText : public testing::TestWithParam<TextRow> {};

TEST_P(OfficeCodeText, FitsTheFieldAndPassesLeaving) {
    EXPECT_EQ(OfficeCodeTextFits(GetParam().text), GetParam().fits);
    EXPECT_EQ(OfficeCodeMalformed(GetParam().text), GetParam().malformed);
}

INSTANTIATE_TEST_SUITE_P(Texts, OfficeCodeText, testing::ValuesIn(kTextRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfirmedOfficeRow, UpperCasesTheCodeAndNamesABlankAbbreviationAllFiles) {
    EXPECT_EQ(ConfirmedOfficeRow("", "cz900000"), (OfficeRow{"ALL_FILES", "CZ900000"}));
    EXPECT_EQ(ConfirmedOfficeRow(" praha;brno ", "Cz510201"), (OfficeRow{"praha;brno", "CZ510201"}));
    EXPECT_EQ(ConfirmedOfficeRow("praha", "  "), std::nullopt);
}

} // namespace
} // namespace zumaset
