#include "outbound/office_code.h"

#include "outbound_fixture.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

struct DeriveRow {
    const char* name;
    std::int16_t mode;
    const char* cuOption;
    std::int16_t cuPosition;
    std::int16_t fileNamePos;
    const char* delimiter;
    const char* relativeFolder;
    const char* fileName;
    const char* cuCode; // expected
    const char* sendAs; // expected
};

void PrintTo(const DeriveRow& row, std::ostream* os) {
    *os << row.name << " (" << row.fileName << " gives \"" << row.cuCode << "\")";
}

constexpr const char* kPrahaThenAll = "PRAHA|CZ510201%ALL_FILES|CZ900000%";

const DeriveRow kDeriveRows[] = {
    // Customs office list.
    {"ListFragmentMatchesDokFile", 0, kPrahaThenAll, 0, 0, "", "", "praha_05.dok", "CZ510201", "praha_05.dok"},
    {"ListAllFilesCatchesTheRest", 0, kPrahaThenAll, 0, 0, "", "", "brno_01.txt", "CZ900000", "brno_01.txt"},
    {"ListXmlInAnyCaseTakesFirstEntry", 0, "BRNO|CZ620000%PRAHA|CZ510201%", 0, 0, "", "", "praha.XmL", "CZ620000",
     "praha.XmL"},
    {"ListEmptyGivesNoCode", 0, "", 0, 0, "", "", "praha.txt", "", ""},
    {"ListWithoutMatchGivesNoCode", 0, "PRAHA|CZ510201%", 0, 0, "", "", "brno.txt", "", ""},
    {"ListFragmentsSplitAtSemicolon", 0, "OSTRAVA;brno|CZ620000%", 0, 0, "", "", "BRNO_1.txt", "CZ620000",
     "BRNO_1.txt"},
    {"ListEmptyFragmentMatchesEveryName", 0, "X;|CZ100000%", 0, 0, "", "", "any.txt", "CZ100000", "any.txt"},
    {"ListCzechLettersCompareUpperCased", 0, "plzeň|CZ530000%", 0, 0, "", "", "PLZEŇ_01.txt", "CZ530000",
     "PLZEŇ_01.txt"},
    {"ListEntryWithoutBarSpoilsTheList", 0, "PRAHA%ALL_FILES|CZ900000%", 0, 0, "", "", "praha.txt", "", ""},
    {"ListEntryAfterLastPercentIsIgnored", 0, "ALL_FILES|CZ900000", 0, 0, "", "", "praha.txt", "", ""},
    // Folder structure.
    {"FolderFirstLevel", 1, "", 0, 0, "", "CZ510201/", "a.txt", "CZ510201", "a.txt"},
    {"FolderSecondLevel", 1, "", 1, 0, "", "Praha/CZ510201/x/", "a.txt", "CZ510201", "a.txt"},
    {"FolderFileDirectlyInSourceHasNoCode", 1, "", 0, 0, "", "", "a.txt", "", ""},
    {"FolderLevelBeyondDepthHasNoCode", 1, "", 1, 0, "", "CZ510201/", "a.txt", "", ""},
    // Structured name by character positions.
    {"CharsPeWithExtraLetterIsCut", 2, "", 1, 9, "", "", "CZ510201TEST0001.PE1", "CZ510201", "TEST0001.PE"},
    {"CharsPeLowerCaseIsCut", 2, "", 1, 9, "", "", "CZ510201test0001.pex", "CZ510201", "test0001.pe"},
    {"CharsPeiKeepsTwelve", 2, "", 1, 9, "", "", "CZ510201TEST0001.PEI", "CZ510201", "TEST0001.PEI"},
    {"CharsShortNameGivesFewer", 2, "", 1, 9, "", "", "CZ510201AB.TXT", "CZ510201", "AB.TXT"},
    {"CharsCountLettersNotBytes", 2, "", 1, 9, "", "", "ČZ510201Žába.txt", "ČZ510201", "Žába.txt"},
    {"CharsPositionZeroFails", 2, "", 0, 9, "", "", "CZ510201TEST0001.TXT", "", ""},
    // Structured name with delimiter.
    {"DelimiterDialogExample", 2, "", 1, 2, "_", "", "Praha_CZ900000_Test01.vas", "CZ900000", "Test01.vas"},
    {"DotDelimiterJoinsExtensionAgain", 2, "", 1, 0, ".", "", "TEST01.CZ510201", "CZ510201", "TEST01.CZ510201"},
    {"DotDelimiterMissingExtensionFails", 2, "", 1, 1, ".", "", "TEST01.CZ510201", "", ""},
    {"DelimiterMatchesCaseSensitively", 2, "", 1, 0, "x", "", "AXCZ510201", "", ""},
    {"DelimiterPartBeyondLastFails", 2, "", 3, 0, "_", "", "a_b_c", "", ""},
    // Unknown mode.
    {"UnknownModeGivesNoCode", 3, kPrahaThenAll, 0, 0, "", "", "praha.txt", "", ""},
};

class DeriveOfficeCodeRule : public testing::TestWithParam<DeriveRow> {};

TEST_P(DeriveOfficeCodeRule, GivesCodeAndName) {
    const DeriveRow& row = GetParam();
    Settings settings;
    settings.SourcePath = "/home/u/Zumaset/Na_CU/";
    settings.CuMode = row.mode;
    settings.CuOption = row.cuOption;
    settings.CuPosition = row.cuPosition;
    settings.FileNamePos = row.fileNamePos;
    settings.Delimiter = row.delimiter;
    const OfficeCode code = DeriveOfficeCode(settings, settings.SourcePath + row.relativeFolder, row.fileName);
    EXPECT_EQ(code, (OfficeCode{row.cuCode, row.sendAs}));
}

INSTANTIATE_TEST_SUITE_P(Rows, DeriveOfficeCodeRule, testing::ValuesIn(kDeriveRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct EndingRow {
    const char* name;
    const char* sendAs;
    bool excluded;
};

void PrintTo(const EndingRow& row, std::ostream* os) {
    *os << row.name << " (" << row.sendAs << (row.excluded ? " is held)" : " is sent)");
}

const EndingRow kEndingRows[] = {
    {"NineIsNotInTheMiddleClass", "decl.E91", false},
    {"DigitEightIsHeld", "decl.E81", true},
    {"LetterAIsHeld", "decl.EA1", true},
    {"UnderscoreWithYIsHeld", "decl.e_y", true},
    {"LetterWWithPIsHeld", "declEWP", true},
    {"LetterIIsNotInTheMiddleClass", "decl.EI1", false},
    {"LastLetterZIsNotHeld", "decl.E0Z", false},
    {"ProgramIsHeld", "setup.EXE", true},
    {"ListWithoutDotIsHeld", "declLST", true},
    {"LowerCaseDokIsHeld", "praha_05.dok", true},
    {"TextIsSent", "praha_05.txt", false},
    {"ShortNameIsSent", "EX", false},
};

class ExcludedEnding : public testing::TestWithParam<EndingRow> {};

TEST_P(ExcludedEnding, LooksAtTheLastThreeCharacters) {
    EXPECT_EQ(IsExcludedEnding(GetParam().sendAs), GetParam().excluded);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExcludedEnding, testing::ValuesIn(kEndingRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct CodeRow {
    const char* name;
    const char* code;
    bool valid;
};

void PrintTo(const CodeRow& row, std::ostream* os) {
    *os << row.name << " (\"" << row.code << (row.valid ? "\" is valid)" : "\" is not valid)");
}

const CodeRow kCodeRows[] = {
    {"TwoLettersSixDigits", "CZ510201", true}, {"SevenCharacters", "CZ51020", false},
    {"NineCharacters", "CZ5102010", false},    {"SixLetters", "CZABCDEF", false},
    {"LetterAmongDigits", "CZ51O201", false},  {"LeadingBlanksAreLenient", "CZ  1234", true},
    {"SignIsLenient", "CZ+12345", true},       {"BlankInsideTheNumber", "CZ12 345", false},
    {"OnlyBlanks", "CZ      ", false},         {"CzechLetterCountsOnce", "ČZ510201", true},
};

class OfficeCodeFormat : public testing::TestWithParam<CodeRow> {};

TEST_P(OfficeCodeFormat, NeedsEightCharactersEndingInANumber) {
    EXPECT_EQ(IsValidOfficeCode(GetParam().code), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Rows, OfficeCodeFormat, testing::ValuesIn(kCodeRows),
                         [](const auto& info) { return std::string(info.param.name); });

using CheckOfficeCodeTest = test::OutboundTest;

TEST_F(CheckOfficeCodeTest, InvalidCodeIsReportedInBoxLogAndMail) {
    settings.ShowErrMessage = true;
    EXPECT_FALSE(CheckOfficeCode("cz51abcd", "a.txt", reporter));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, "zumaset");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Stop);
    EXPECT_EQ(boxes.boxes[0].text, "Chyba aplikace :  [908]\r\nKód CÚ nemá platný formát.\r\nCZ51ABCD");
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{"[908] *** Kód CÚ nemá platný formát.  CZ51ABCD"});
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].kind, NoticeKind::Error);
    EXPECT_EQ(mail.notices[0].text, "Kód CÚ nemá platný formát.");
}

// A valid code passes, and an empty name is refused, both without a report.
TEST_F(CheckOfficeCodeTest, ValidCodeAndEmptyNameGoWithoutReport) {
    settings.ShowErrMessage = true;
    EXPECT_TRUE(CheckOfficeCode("CZ510201", "a.txt", reporter));
    EXPECT_FALSE(CheckOfficeCode("bad", "", reporter));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(mail.notices.empty());
    EXPECT_TRUE(ErrorLines().empty());
}

} // namespace
} // namespace zumaset
