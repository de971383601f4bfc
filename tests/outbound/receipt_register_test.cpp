#include "outbound/receipt_register.h"

#include "temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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
    reg.Add("x.pe", "/out/", "CZ510000", now() - 25min);
    reg.Add("noext", "/out/", "CZ510000", now() - 25min);
    reg.Add("fresh.dok", "/out/", "CZ510000", now() - 19min);
    EXPECT_EQ(reg.FindOverdueReceipts(now()), std::optional<std::string>("ABC.DOK  NOEXT  "));
    EXPECT_EQ(reg.records().size(), 5u); // reporting changes nothing

    ReceiptRegister onlyPei;
    onlyPei.Add("ABC.PEI", "/out/", "CZ510000", now() - 25min);
    EXPECT_FALSE(onlyPei.FindOverdueReceipts(now()));
    EXPECT_FALSE(ReceiptRegister{}.FindOverdueReceipts(now()));
}

TEST_F(Register, RecordsExpireAfterFortyEightHours) {
    reg.Add("old.dok", "/out/", "CZ510000", now() - 49h);
    reg.Add("young.dok", "/out/", "CZ510000", now() - 47h);
    reg.ExpireRegister(now());
    ASSERT_EQ(reg.records().size(), 1u);
    EXPECT_EQ(reg.records()[0].SendAs, "young.dok");
}

TEST_F(Register, SavedRecordsComeBackInTheFileFormatAndTheFileStays) {
    reg.Add("Praha_CZ510000_01.vas", "/home/u/Na_CU/PRAHA/", "CZ510000", FromLocalTime(2026, 12, 5, 9, 5, 3));
    reg.Add("zprava.xml", "/home/u/Na_CU/", "", FromLocalTime(2026, 12, 6, 0, 0, 0));
    EXPECT_TRUE(reg.SaveRegister(logs));
    EXPECT_EQ(test::ReadFileBytes(file()), "Praha_CZ510000_01.vas#/home/u/Na_CU/PRAHA/#CZ510000#5.12.2026 9:05:03\r\n"
                                           "zprava.xml#/home/u/Na_CU/##6.12.2026\r\n");
    EXPECT_EQ(std::filesystem::status(file()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ReceiptRegister loaded;
    loaded.LoadRegister(logs);
    ASSERT_EQ(loaded.records().size(), 2u);
    EXPECT_EQ(loaded.records()[0].PathName, "/home/u/Na_CU/PRAHA/");
    EXPECT_EQ(loaded.records()[0].SendTime, FromLocalTime(2026, 12, 5, 9, 5, 3));
    EXPECT_EQ(loaded.records()[1].CuCode, "");
    // A second start reads the same set once: nothing doubles.
    EXPECT_TRUE(loaded.SaveRegister(logs));
    EXPECT_TRUE(loaded.Close());
    ReceiptRegister again;
    again.LoadRegister(logs);
    EXPECT_EQ(again.records().size(), 2u);
    EXPECT_TRUE(again.Close());

    // An empty register leaves an empty file that reads back as empty.
    ReceiptRegister empty;
    EXPECT_TRUE(empty.SaveRegister(logs));
    EXPECT_EQ(test::ReadFileBytes(file()), "");
    empty.LoadRegister(logs);
    EXPECT_TRUE(empty.records().empty());
}

// The file follows every change at once, so a process that ends without its
// shutdown (a kill) leaves exactly the current set for the next start.
TEST_F(Register, EveryChangeIsInTheFileAtOnce) {
    test::WriteFileBytes(file(), "old.dok#/out/#CZ510000#3.12.2026 9:00:00\r\n"
                                 "kept.dok#/out/#CZ510000#5.12.2026 9:00:00\r\n");
    reg.LoadRegister(logs);
    reg.Add("new.dok", "/out/A/", "CZ510000", now());
    EXPECT_EQ(test::ReadFileBytes(file()), "old.dok#/out/#CZ510000#3.12.2026 9:00:00\r\n"
                                           "kept.dok#/out/#CZ510000#5.12.2026 9:00:00\r\n"
                                           "new.dok#/out/A/#CZ510000#6.12.2026 10:00:00\r\n");
    reg.ExpireRegister(now());
    EXPECT_EQ(test::ReadFileBytes(file()), "kept.dok#/out/#CZ510000#5.12.2026 9:00:00\r\n"
                                           "new.dok#/out/A/#CZ510000#6.12.2026 10:00:00\r\n");
    EXPECT_FALSE(reg.SaveFailed());
    // A missing session-log folder is created, owner-only, with its parents.
    settings.LogsPath = (dir / "a" / "b").string() + "/";
    reg.Add("later.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(std::filesystem::exists(dir / "a" / "b" / "Zumaset.sav"));
    EXPECT_EQ(std::filesystem::status(dir / "a").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
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
    const std::vector<std::string> kept{".Zumaset.sav.Ab12C", ".Zumaset.sav.Ab12Cde", "Zumaset.sav.Ab12Cd",
                                        ".Other.sav.Ab12Cd",  ".Zumaset.sav.Ab-2Cd",  "build.log"};
    for (const auto& name : stale) test::WriteFileBytes(dir / name, "partial");
    for (const auto& name : kept) test::WriteFileBytes(dir / name, "other");
    std::filesystem::create_directory(dir / ".Zumaset.sav.Folder");
    ASSERT_EQ(reg.LoadRegister(logs), ReceiptRegister::Load::Loaded);
    for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir / ".Zumaset.sav.Folder"));
}

TEST_F(Register, AnEmptyLogFolderMeansTheDataFolder) {
    Settings s;
    EXPECT_EQ(RegisterFilePath(s, "/home/u/.local/share/zumaset"), "/home/u/.local/share/zumaset/Zumaset.sav");
    s.LogsPath = "/var/log/zumaset/";
    EXPECT_EQ(RegisterFilePath(s, "/home/u/.local/share/zumaset"), "/var/log/zumaset/Zumaset.sav");
    settings.LogsPath.clear();
    const Logs withData(settings, clock, dir / "data");
    EXPECT_EQ(RegisterFilePath(withData), dir / "data" / "Zumaset.sav");
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

struct LineCase {
    const char* name;
    RegisterRecord record;
};
void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class RegisterLineRoundTrip : public ::testing::TestWithParam<LineCase> {};

// What is written reads back as the same record, "#" in names included.
TEST_P(RegisterLineRoundTrip, ReadsBackWhatWasWritten) {
    const RegisterRecord& r = GetParam().record;
    const auto read = ParseRegisterLine(FormatRegisterLine(r));
    ASSERT_TRUE(read) << FormatRegisterLine(r);
    EXPECT_EQ(read->SendAs, r.SendAs);
    EXPECT_EQ(read->PathName, r.PathName);
    EXPECT_EQ(read->CuCode, r.CuCode);
    EXPECT_EQ(read->SendTime, r.SendTime);
}

const TimePoint kSent = FromLocalTime(2026, 12, 5, 9, 5, 3);

INSTANTIATE_TEST_SUITE_P(
    Lines, RegisterLineRoundTrip,
    ::testing::Values(LineCase{"Plain", {"PRAHA004.VAS", "/home/u/Na_CU/Praha/", "CZ510000", kSent}},
                      LineCase{"FolderNameEndingInHash", {"A.VAS", "/home/u/Na_CU/Os#/trava#/", "CZ510000", kSent}},
                      LineCase{"HashInBoth", {"#A#.VAS", "/o#u#t/", "CZ510000", kSent}},
                      LineCase{"EmptyOfficeAtMidnight",
                               {"zprava.xml", "/out/", "", FromLocalTime(2026, 12, 6, 0, 0, 0)}}),
    [](const auto& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(reg.records()[1].SendAs, "c.dok");
    EXPECT_EQ(reg.records()[1].PathName, "/out/");
    EXPECT_EQ(reg.records()[1].CuCode, "CZ510000");
    const std::string errors = test::ReadFileBytes(dir / "Error.log");
    EXPECT_NE(errors.find("only#two"), std::string::npos);
    EXPECT_NE(errors.find("not a date"), std::string::npos);
}

// What can stand in the register file's place instead of a regular file.
struct NotAFileCase {
    const char* name;
    void (*make)(const std::filesystem::path& file, const std::filesystem::path& dir);
};
void PrintTo(const NotAFileCase& c, std::ostream* os) {
    *os << c.name;
}

class RegisterNotAFile : public Register, public ::testing::WithParamInterface<NotAFileCase> {};

// Refused with a report, never followed and never replaced; the register then
// lives in memory and every save fails, so the command exits non-zero.
TEST_P(RegisterNotAFile, IsRefusedReportedAndLeftAsItIs) {
    test::WriteFileBytes(dir / "target.sav", "t.dok#/out/#CZ510000#6.12.2026 9:00:00\r\n");
    GetParam().make(file(), dir.path());
    const auto type = std::filesystem::symlink_status(file()).type();
    reg.LoadRegister(logs);
    EXPECT_TRUE(reg.records().empty());
    EXPECT_NE(test::ReadFileBytes(dir / "Error.log").find("není obyčejný soubor"), std::string::npos);
    reg.Add("n.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(reg.SaveFailed());
    EXPECT_EQ(std::filesystem::symlink_status(file()).type(), type);
    EXPECT_EQ(test::ReadFileBytes(dir / "target.sav"), "t.dok#/out/#CZ510000#6.12.2026 9:00:00\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RegisterNotAFile,
    ::testing::Values(
        NotAFileCase{"LinkToAFile",
                     [](const auto& f, const auto& d) { std::filesystem::create_symlink(d / "target.sav", f); }},
        NotAFileCase{"DanglingLink",
                     [](const auto& f, const auto& d) { std::filesystem::create_symlink(d / "none", f); }},
        NotAFileCase{"Fifo", [](const auto& f, const auto&) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }},
        NotAFileCase{"Folder", [](const auto& f, const auto&) { std::filesystem::create_directory(f); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Register, ARegisterThatCannotBeSavedIsReported) {
    reg.LoadRegister(logs);
    test::WriteFileBytes(dir / "blocker", "a file where the folder should be");
    settings.LogsPath = (dir / "blocker" / "logs").string() + "/";
    reg.Add("x.dok", "/out/", "CZ510000", now());
    EXPECT_TRUE(reg.SaveFailed());
    EXPECT_NE(test::ReadFileBytes(dir / "Error.log").find("Registr odeslaných souborů nelze uložit"),
              std::string::npos);
    if (::geteuid() != 0) { // root writes into any folder
        settings.LogsPath = (dir / "ro").string() + "/";
        std::filesystem::create_directory(dir / "ro");
        std::filesystem::permissions(dir / "ro",
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        ReceiptRegister other;
        other.LoadRegister(logs);
        other.Add("y.dok", "/out/", "CZ510000", now());
        EXPECT_TRUE(other.SaveFailed());
        std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_all);
    }
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
