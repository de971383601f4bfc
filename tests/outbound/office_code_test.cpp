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
    {"ListFragmentsSplitAtSemicolon", 0, "OSTRAVA;brno|CZ620000%", 0, 0, "", "", "BRNO_1.txt", "CZ620000",
     "BRNO_1.txt"},
    {"ListCzechLettersCompareUpperCased", 0, "plzeň|CZ530000%", 0, 0, "", "", "PLZEŇ_01.txt", "CZ530000",
     "PLZEŇ_01.txt"},
    {"ListEntryWithoutBarSpoilsTheList", 0, "PRAHA%ALL_FILES|CZ900000%", 0, 0, "", "", "praha.txt", "", ""},
    // Folder structure.
    {"FolderSecondLevel", 1, "", 1, 0, "", "Praha/CZ510201/x/", "a.txt", "CZ510201", "a.txt"},
    {"FolderFileDirectlyInSourceHasNoCode", 1, "", 0, 0, "", "", "a.txt", "", ""},
    // Structured name by character positions.
    {"CharsPeWithExtraLetterIsCut", 2, "", 1, 9, "", "", "CZ510201TEST0001.PE1", "CZ510201", "TEST0001.PE"},
    {"CharsCountLettersNotBytes", 2, "", 1, 9, "", "", "ČZ510201Žába.txt", "ČZ510201", "Žába.txt"},
    {"CharsPositionZeroFails", 2, "", 0, 9, "", "", "CZ510201TEST0001.TXT", "", ""},
    // Structured name with delimiter.
    {"DelimiterDialogExample", 2, "", 1, 2, "_", "", "Praha_CZ900000_Test01.vas", "CZ900000", "Test01.vas"},
    {"DotDelimiterJoinsExtensionAgain", 2, "", 1, 0, ".", "", "TEST01.CZ510201", "CZ510201", "TEST01.CZ510201"},
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

// Held back by the last three characters, in any case: the listed endings
// and the E-endings of the middle and last classes.
TEST(ExcludedEnding, LooksAtTheLastThreeCharacters) {
    for (const char* held : {"decl.E81", "decl.EA1", "declLST", "praha_05.dok"}) {
        EXPECT_TRUE(IsExcludedEnding(held)) << held;
    }
    for (const char* sent : {"decl.E91", "decl.E0Z", "EX"}) EXPECT_FALSE(IsExcludedEnding(sent)) << sent;
}

// Eight characters ending in a number; blanks and a sign before the number
// pass, as the number conversion lets them.
TEST(OfficeCodeFormat, NeedsEightCharactersEndingInANumber) {
    for (const char* valid : {"CZ510201", "CZ  1234", "ČZ510201"}) EXPECT_TRUE(IsValidOfficeCode(valid)) << valid;
    for (const char* invalid : {"CZ51020", "CZ51O201", "CZ12 345"}) {
        EXPECT_FALSE(IsValidOfficeCode(invalid)) << invalid;
    }
}

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

} // namespace
} // namespace zumaset
