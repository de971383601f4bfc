#include "core/logs.h"
#include "core/time_format.h"

#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr std::uintmax_t kMiB = 1'048'576;

void SetLastWrite(const fs::path& file, TimePoint at) {
    fs::last_write_time(file, std::chrono::file_clock::from_sys(at));
}

class LogsTest : public testing::Test {
protected:
    LogsTest() {
        settings.LogsPath = folder() + "logs/";
        settings.ConLogPath = folder() + "con/";
        settings.ErrLogPath = folder() + "err"; // a folder without its separator gets one
        for (const char* sub : {"logs", "con", "err"}) fs::create_directory(dir / sub);
    }
    std::string folder() const { return dir.path().string() + "/"; }

    test::TempDir dir;
    Settings settings;
    FixedClock clock{FromLocalTime(2026, 12, 6, 9, 5, 3)};
    Logs logs{settings, clock};
};

TEST_F(LogsTest, EachLogHasItsFolderHeaderAndLinePrefix) {
    logs.WriteLog("první", "Relational.log");
    clock.Advance(std::chrono::seconds(61));
    logs.WriteLog("druhý", LogKind::Session);
    logs.WriteLog("e", LogKind::Error);
    logs.WriteDebugTrace("[SendFile      - START]<G01>");
    EXPECT_EQ(ReadFileBytes(dir / "logs/Relational.log"),
              "  *****  Zumaset Klient  ***** Log created: 06.12.2026 09:05:03\r\n\r\n"
              "[09:05:03]  -  první\r\n"
              "[09:06:04]  -  druhý\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "err/Error.log"),
              "  *****  Zumaset Klient  ***** Log created: 06.12.2026 09:06:04\r\n\r\n[06.12.2026 09:06:04]  -  e\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "con/Debug.log"), "  *****  Zumaset DebugLog  ***** Log created: 06.12.2026 "
                                                    "09:06:04\r\n\r\n[09:06:04] - [SendFile      - START]<G01>\r\n");
}

// Logs may hold the proxy password: missing folders are created owner-only
// with their parents, and the files are owner-only whatever the umask.
TEST_F(LogsTest, MissingFoldersAndNewLogsAreOwnerOnly) {
    settings.ConLogPath = folder() + "missing/deeper/";
    const mode_t previous = ::umask(022);
    logs.WriteDebugTrace("proxy password");
    logs.WriteLog("s", LogKind::Session);
    ::umask(previous);
    for (const char* sub : {"missing", "missing/deeper"}) {
        EXPECT_EQ(fs::status(dir / sub).permissions() & fs::perms::all, fs::perms::owner_all) << sub;
    }
    for (const char* file : {"logs/Relational.log", "missing/deeper/Debug.log"}) {
        EXPECT_EQ(fs::status(dir / file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
            << file;
    }
}

// A relative folder (as a Windows export brings it) is not grown under the
// working folder; an empty one (a fresh configuration's default) means the
// data folder, never the folder the process happens to run in.
TEST_F(LogsTest, RelativeOrEmptyFoldersNeverWriteUnderTheWorkingFolder) {
    settings.LogsPath = "C:/Zumaset/Logy/";
    settings.ConLogPath = "";
    const fs::path data = dir / "data" / "zumaset";
    const Logs withData{settings, clock, data};
    const fs::path previous = fs::current_path();
    fs::current_path(dir / "logs");
    withData.WriteLog("s", LogKind::Session);
    withData.WriteDebugTrace("line");
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(dir / "logs"));
    EXPECT_NE(ReadFileBytes(data / "Debug.log").find(" - line\r\n"), std::string::npos);
    EXPECT_EQ(withData.Folder(LogKind::Connection), data.string() + "/");
}

// Names come from servers, folders and users: a control character in them
// must not break a line or reach a terminal that shows the log.
TEST_F(LogsTest, ControlCharactersInALineAreEscapedButNotItsLineEnd) {
    logs.WriteLog("name\r\nforged line\x1b[2J", LogKind::Session);
    EXPECT_NE(ReadFileBytes(dir / "logs/Relational.log").find("]  -  name\\x0D\\x0Aforged line\\x1B[2J\r\n"),
              std::string::npos);
}

// A log that is a link is not written through; one left readable by others
// is narrowed to its owner.
TEST_F(LogsTest, ALinkedLogIsNotFollowedAndAWideOneIsNarrowed) {
    WriteFileBytes(dir / "target", "kept");
    fs::create_symlink(dir / "target", dir / "logs/Relational.log");
    logs.WriteLog("s", LogKind::Session);
    EXPECT_EQ(ReadFileBytes(dir / "target"), "kept");
    EXPECT_TRUE(fs::is_symlink(dir / "logs/Relational.log"));

    WriteFileBytes(dir / "con/Debug.log", "old\r\n");
    fs::permissions(dir / "con/Debug.log", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    logs.WriteDebugTrace("proxy password");
    EXPECT_EQ(fs::status(dir / "con/Debug.log").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// The control log moves away once a day, the error log once it is past one
// mebibyte; the moved file is named after the date of its last write.
struct RotationCase {
    const char* name;
    LogKind kind;
    std::size_t oldSize; // bytes of the file before the write
    TimePoint lastWrite;
    const char* rotatedName; // nullptr: the file stays current
};
void PrintTo(const RotationCase& c, std::ostream* os) {
    *os << c.name << " (" << (c.rotatedName ? c.rotatedName : "stays current") << ")";
}

class Rotation : public LogsTest, public testing::WithParamInterface<RotationCase> {};

TEST_P(Rotation, MovesTheLogAwayUnderTheDateOfItsLastWrite) {
    const RotationCase& c = GetParam();
    const fs::path current = logs.LogPath(c.kind);
    const std::string old(c.oldSize, 'x');
    WriteFileBytes(current, old);
    SetLastWrite(current, c.lastWrite);
    logs.WriteLog("new", c.kind);
    if (c.rotatedName) {
        EXPECT_TRUE(ReadFileBytes(current.parent_path() / c.rotatedName) == old);
        EXPECT_EQ(ReadFileBytes(current).rfind("  *****  Zumaset Klient", 0), 0u);
    } else {
        EXPECT_TRUE(ReadFileBytes(current).starts_with(old));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(current.parent_path()), fs::directory_iterator()),
              c.rotatedName ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Logs, Rotation,
                         testing::Values(RotationCase{"LastWrittenYesterdayAt2359", LogKind::Connection, 5,
                                                      FromLocalTime(2026, 12, 5, 23, 59, 0), "20261205_Control.log"},
                                         RotationCase{"LastWrittenTodayAt000001", LogKind::Connection, 5,
                                                      FromLocalTime(2026, 12, 6, 0, 0, 1), nullptr},
                                         RotationCase{"ErrorLogOfExactlyOneMebibyteStays", LogKind::Error, kMiB,
                                                      FromLocalTime(2026, 12, 1, 8, 0, 0), nullptr},
                                         RotationCase{"ErrorLogOneByteLargerEvenIfWrittenToday", LogKind::Error,
                                                      kMiB + 1, FromLocalTime(2026, 12, 6, 8, 0, 0),
                                                      "20261206_Error.log"}),
                         [](const testing::TestParamInfo<RotationCase>& info) { return std::string(info.param.name); });

// A second rotation the same day finds its name taken: no line is lost.
TEST_F(LogsTest, SecondRotationTheSameDayFailsAndLinesKeepBeingAppended) {
    const fs::path current = dir / "err/Error.log";
    const fs::path rotated = dir / "err/20261206_Error.log";
    WriteFileBytes(rotated, "earlier rotation");
    const std::string big(kMiB + 10, 'x');
    WriteFileBytes(current, big);
    SetLastWrite(current, FromLocalTime(2026, 12, 6, 8, 0, 0));
    logs.WriteLog("a", LogKind::Error);
    SetLastWrite(current, clock.Now()); // the file system stamped the real time; keep to the test's day
    logs.WriteLog("b", LogKind::Error);
    EXPECT_EQ(ReadFileBytes(rotated), "earlier rotation");
    EXPECT_EQ(ReadFileBytes(current), big + "[06.12.2026 09:05:03]  -  a\r\n[06.12.2026 09:05:03]  -  b\r\n");
}

} // namespace
} // namespace zumaset
