#include "outbound/receipt_register.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zumaset {
namespace {

using namespace std::chrono_literals;

class Register : public ::testing::Test {
protected:
    Register() : clock(FromLocalTime(2026, 12, 6, 10, 0, 0)), logs(settings, clock) {
        settings.LogsPath = dir.path().string() + "/";
        settings.ErrLogPath = dir.path().string() + "/";
    }
    TimePoint now() const { return clock.Now(); }
    std::filesystem::path file() const { return dir / "Zumaset.sav"; }

    test::TempDir dir;
    Settings settings;
    FixedClock clock;
    Logs logs;
    ReceiptRegister reg;
};

TEST_F(Register, OverdueReceiptsSkipTheKindsThatGetNone) {
    reg.Add("abc.dok", "/out/", "CZ510000", now() - 25min);
    reg.Add("ABC.PEI", "/out/", "CZ510000", now() - 25min);
    reg.Add("x.pe", "/out/", "CZ510000", now() - 25min);
    reg.Add("noext", "/out/", "CZ510000", now() - 25min);
    reg.Add("fresh.dok", "/out/", "CZ510000", now() - 19min);
    EXPECT_EQ(reg.FindOverdueReceipts(now()), std::optional<std::string>("ABC.DOK  NOEXT  "));
    EXPECT_EQ(reg.records().size(), 5u); // reporting changes nothing

    ReceiptRegister only_pei;
    only_pei.Add("ABC.PEI", "/out/", "CZ510000", now() - 25min);
    EXPECT_FALSE(only_pei.FindOverdueReceipts(now()));
    EXPECT_FALSE(ReceiptRegister{}.FindOverdueReceipts(now()));
}

TEST_F(Register, RecordsExpireAfterFortyEightHours) {
    reg.Add("old.dok", "/out/", "CZ510000", now() - 49h);
    reg.Add("young.dok", "/out/", "CZ510000", now() - 47h);
    reg.ExpireRegister(now());
    ASSERT_EQ(reg.records().size(), 1u);
    EXPECT_EQ(reg.records()[0].SendAs, "young.dok");
}

TEST_F(Register, SavedRecordsComeBackAndTheFileIsDeleted) {
    reg.Add("Praha_CZ510000_01.vas", "/home/u/Na_CU/PRAHA/", "CZ510000", FromLocalTime(2026, 12, 5, 9, 5, 3));
    reg.Add("zprava.xml", "/home/u/Na_CU/", "", FromLocalTime(2026, 12, 6, 0, 0, 0));
    reg.SaveRegister(settings);
    EXPECT_EQ(test::ReadFileBytes(file()), "Praha_CZ510000_01.vas#/home/u/Na_CU/PRAHA/#CZ510000#5.12.2026 9:05:03\r\n"
                                           "zprava.xml#/home/u/Na_CU/##6.12.2026\r\n");
    ReceiptRegister loaded;
    loaded.LoadRegister(logs);
    ASSERT_EQ(loaded.records().size(), 2u);
    EXPECT_EQ(loaded.records()[0].PathName, "/home/u/Na_CU/PRAHA/");
    EXPECT_EQ(loaded.records()[0].SendTime, FromLocalTime(2026, 12, 5, 9, 5, 3));
    EXPECT_EQ(loaded.records()[1].CuCode, "");
    EXPECT_FALSE(std::filesystem::exists(file()));

    // An empty register leaves an empty file that reads back as empty and is deleted.
    ReceiptRegister empty;
    empty.SaveRegister(settings);
    EXPECT_TRUE(std::filesystem::exists(file()));
    empty.LoadRegister(logs);
    EXPECT_TRUE(empty.records().empty());
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(Register, MalformedLinesAreSkippedAndLoggedTheRestLoads) {
    test::WriteFileBytes(file(), "a.dok#/out/#CZ510000#5.12.2026 9:05:03\r\n"
                                 "only#two\r\n"
                                 "b.dok#/out/#CZ510000#not a date\r\n"
                                 "c.dok#/out/#CZ510000#6.12.2026 8:00:00#extra\r\n"
                                 "d.dok#/out/#CZ510000#6.12.2026 8:00:00");
    reg.LoadRegister(logs);
    ASSERT_EQ(reg.records().size(), 2u); // the last line has no line end and is not used
    EXPECT_EQ(reg.records()[0].SendAs, "a.dok");
    EXPECT_EQ(reg.records()[1].SendAs, "c.dok");
    EXPECT_FALSE(std::filesystem::exists(file()));
    const std::string errors = test::ReadFileBytes(dir / "Error.log");
    EXPECT_NE(errors.find("only#two"), std::string::npos);
    EXPECT_NE(errors.find("not a date"), std::string::npos);
}

TEST_F(Register, FindSentRecordRoutesByOfficeAndBaseName) {
    reg.Add("PRAHA_CZ510000_ABC01.VAS", "/out/PRAHA/", "CZ510000", now());
    reg.Add("PRAHA_CZ510000_ABC01X.VAS", "/out/PRAHA2/", "CZ510000", now());
    reg.Add("OTHER.VAS", "/out/BRNO/", "CZ520000", now());
    reg.Add("zprava01.xml", "/out/", "CZ530000", now());

    // Both records of the office contain the base: the earlier one wins.
    const RegisterRecord* found = reg.FindSentRecord("CZ510000", "abc01.???", false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->PathName, "/out/PRAHA/");
    // The office must match exactly.
    EXPECT_EQ(reg.FindSentRecord("CZ520000", "ABC01.???", false), nullptr);
    // A reply from the TVAL folder is matched on the sent name alone, whatever the office.
    found = reg.FindSentRecord("", "ZPRAVA01.XML", false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->CuCode, "CZ530000");
    // In test operation the name without its first six characters also matches.
    EXPECT_EQ(reg.FindSentRecord("CZ520000", "XXXXXXOTHER", false), nullptr);
    ASSERT_NE(reg.FindSentRecord("CZ520000", "XXXXXXOTHER", true), nullptr);
    // A name without a base is simply no match.
    EXPECT_EQ(reg.FindSentRecord("CZ510000", "ab", false), nullptr);
    EXPECT_EQ(reg.FindSentRecord("CZ510000", "ABCDEFGH", false), nullptr);
}

TEST(NameBase, IsThePartBeforeTheDotNearTheEnd) {
    EXPECT_EQ(NameBase("ABC.DOK"), std::optional<std::string_view>("ABC"));
    EXPECT_EQ(NameBase("A.B.XML"), std::optional<std::string_view>("A.B"));
    EXPECT_EQ(NameBase("NAME.X"), std::optional<std::string_view>("NAME"));
    EXPECT_EQ(NameBase("ABCDEF.LONGEXT"), std::nullopt);
    EXPECT_EQ(NameBase("A.BC"), std::nullopt);
    EXPECT_EQ(NameBase("ŘÍZENÍ.XML"), std::optional<std::string_view>("ŘÍZENÍ"));
}

} // namespace
} // namespace zumaset
