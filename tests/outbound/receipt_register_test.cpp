#include "outbound/receipt_register.h"

#include "temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

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
    reg.Add("noext", "/out/", "CZ510000", now() - 25min);
    reg.Add("fresh.dok", "/out/", "CZ510000", now() - 19min);
    EXPECT_EQ(reg.FindOverdueReceipts(now()), std::optional<std::string>("ABC.DOK  NOEXT  "));

    ReceiptRegister onlyPei;
    onlyPei.Add("ABC.PEI", "/out/", "CZ510000", now() - 25min);
    EXPECT_FALSE(onlyPei.FindOverdueReceipts(now()));
}

// The file (owner-only) follows every change at once, so a process that ends
// without its shutdown (a kill) leaves exactly the current set for the next
// start. Records expire 48 hours after they were sent.
TEST_F(Register, EveryChangeIsInTheFileAtOnce) {
    const std::string old = "old.dok#/out/#CZ510000#4.12.2026 9:00:00\r\n";
    const std::string kept = "kept.dok#/out/#CZ510000#4.12.2026 11:00:00\r\n";
    const std::string added = "#A#.vas#/out/P#/##6.12.2026 10:00:00\r\n"; // "#" in names, no office
    test::WriteFileBytes(file(), old + kept);
    reg.LoadRegister(logs);
    reg.Add("#A#.vas", "/out/P#/", "", now());
    EXPECT_EQ(test::ReadFileBytes(file()), old + kept + added);
    EXPECT_EQ(std::filesystem::status(file()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    reg.ExpireRegister(now());
    EXPECT_EQ(test::ReadFileBytes(file()), kept + added);
    reg.Close();

    ReceiptRegister next;
    next.LoadRegister(logs);
    ASSERT_EQ(next.records().size(), 2u);
    EXPECT_EQ(next.records()[1].SendAs, "#A#.vas");
    EXPECT_EQ(next.records()[1].PathName, "/out/P#/");
    EXPECT_EQ(next.records()[1].SendTime, now());
    // A missing session-log folder is created with its parents.
    settings.LogsPath = (dir / "a" / "b").string() + "/";
    next.Add("later.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(std::filesystem::exists(dir / "a" / "b" / "Zumaset.sav"));
}

// A second holder of the same register (another process with other settings
// but the same session-log folder) finds it busy: it loads nothing and never
// writes the file, so neither loses the other's records.
TEST_F(Register, ASecondHolderFindsTheRegisterBusyUntilTheFirstCloses) {
    ASSERT_EQ(reg.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    reg.Add("first.dok", "/out/", "CZ510000", now());
    ReceiptRegister second;
    EXPECT_EQ(second.LoadRegister(logs), ReceiptRegister::Load::Busy);
    second.Add("second.dok", "/out/", "CZ510000", now());
    EXPECT_FALSE(second.Close());
    EXPECT_EQ(test::ReadFileBytes(file()), "first.dok#/out/#CZ510000#6.12.2026 10:00:00\r\n");
    EXPECT_TRUE(reg.Close());
    ReceiptRegister third;
    ASSERT_EQ(third.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    EXPECT_EQ(third.records().size(), 1u);
}

// Closing writes only what has not reached the file: a pass that changed
// nothing leaves the file as it found it.
TEST_F(Register, CloseWritesOnlyWhenSomethingChanged) {
    ASSERT_EQ(reg.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    EXPECT_TRUE(reg.Close());
    EXPECT_FALSE(std::filesystem::exists(file()));
    ReceiptRegister failing;
    ASSERT_EQ(failing.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    std::filesystem::create_directory(file()); // the save after the upload fails
    failing.Add("x.dok", "/out/", "CZ510000", now());
    std::filesystem::remove(file());
    EXPECT_FALSE(failing.Close()); // the failure stays reported, but the record is written now
    EXPECT_EQ(test::ReadFileBytes(file()), "x.dok#/out/#CZ510000#6.12.2026 10:00:00\r\n");
}

// Only the exact temporary names of the atomic save are removed, and only
// once the register is held.
TEST_F(Register, TemporaryFilesOfAKilledSaveAreRemovedAtLoad) {
    const std::vector<std::string> stale{".Zumaset.sav.Ab12Cd", ".Zumaset.sav.zzzzzz"};
    const std::vector<std::string> kept{".Zumaset.sav.Ab12Cde", ".Other.sav.Ab12Cd", ".Zumaset.sav.Ab-2Cd"};
    for (const auto& name : stale) test::WriteFileBytes(dir / name, "partial");
    for (const auto& name : kept) test::WriteFileBytes(dir / name, "other");
    std::filesystem::create_directory(dir / ".Zumaset.sav.Folder");
    ASSERT_EQ(reg.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir / ".Zumaset.sav.Folder"));
}

// A relative folder (as a Windows export brings it) is not grown under the
// working folder when the register is loaded.
TEST_F(Register, LoadingCreatesNoRelativeFolder) {
    settings.LogsPath = "C:/Zumaset/Logy/";
    std::filesystem::create_directory(dir / "work");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir / "work");
    EXPECT_EQ(reg.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    EXPECT_TRUE(reg.Close());
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "work"));
}

// Lines in forms other writers left (a Windows folder, parts after the date)
// keep reading as they did; malformed ones are skipped and logged.
TEST_F(Register, MalformedLinesAreSkippedAndLoggedTheRestLoads) {
    test::WriteFileBytes(file(), "a.dok#C:\\Na_CU\\Praha\\#CZ510000#5.12.2026 9:05:03\r\n"
                                 "only#two\r\n"
                                 "b.dok#/out/#CZ510000#not a date\r\n"
                                 "c.dok#/out/#CZ510000#6.12.2026 8:00:00#extra\r\n"
                                 "d.dok#/out/#CZ510000#6.12.2026 8:00:00");
    reg.LoadRegister(logs);
    ASSERT_EQ(reg.records().size(), 2u); // the last line has no line end and is not used
    EXPECT_EQ(reg.records()[0].SendAs, "a.dok");
    EXPECT_EQ(reg.records()[0].PathName, "C:\\Na_CU\\Praha\\");
    EXPECT_EQ(reg.records()[1].CuCode, "CZ510000");
    const std::string errors = test::ReadFileBytes(dir / "Error.log");
    EXPECT_NE(errors.find("only#two"), std::string::npos);
    EXPECT_NE(errors.find("not a date"), std::string::npos);
}

// A link or a pipe in the register file's place is refused with a report,
// never followed (nor waited on) and never replaced; the register then lives
// in memory and every save fails, so the command exits non-zero.
TEST_F(Register, AFileThatIsNoRegularFileIsRefusedAndLeftAsItIs) {
    test::WriteFileBytes(dir / "target.sav", "t.dok#/out/#CZ510000#6.12.2026 9:00:00\r\n");
    std::filesystem::create_symlink(dir / "target.sav", file());
    reg.LoadRegister(logs);
    EXPECT_TRUE(reg.records().empty());
    EXPECT_NE(test::ReadFileBytes(dir / "Error.log").find("není obyčejný soubor"), std::string::npos);
    reg.Add("n.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(reg.SaveFailed());
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(test::ReadFileBytes(dir / "target.sav"), "t.dok#/out/#CZ510000#6.12.2026 9:00:00\r\n");

    reg.Close();
    std::filesystem::remove(file());
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    ReceiptRegister second;
    second.LoadRegister(logs);
    second.Add("n.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(second.SaveFailed());
    EXPECT_TRUE(std::filesystem::is_fifo(file()));
}

TEST_F(Register, ARegisterThatCannotBeSavedIsReported) {
    reg.LoadRegister(logs);
    test::WriteFileBytes(dir / "blocker", "a file where the folder should be");
    settings.LogsPath = (dir / "blocker" / "logs").string() + "/";
    reg.Add("x.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(reg.SaveFailed());
    EXPECT_NE(test::ReadFileBytes(dir / "Error.log").find("Registr odeslaných souborů nelze uložit"),
              std::string::npos);
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
    EXPECT_EQ(reg.FindSentRecord("CZ510000", "ABCDEFGH", false), nullptr);
}

TEST(NameBase, IsThePartBeforeTheDotNearTheEnd) {
    EXPECT_EQ(NameBase("ABC.DOK"), std::optional<std::string_view>("ABC"));
    EXPECT_EQ(NameBase("A.B.XML"), std::optional<std::string_view>("A.B"));
    EXPECT_EQ(NameBase("ABCDEF.LONGEXT"), std::nullopt);
    EXPECT_EQ(NameBase("ŘÍZENÍ.XML"), std::optional<std::string_view>("ŘÍZENÍ"));
}

} // namespace
} // namespace zumaset
