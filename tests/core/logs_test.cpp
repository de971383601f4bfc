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
        settings.ErrLogPath = folder() + "err/";
        for (const char* sub : {"logs", "con", "err"}) fs::create_directory(dir / sub);
    }
    std::string folder() const { return dir.path().string() + "/"; }

    test::TempDir dir;
    Settings settings;
    FixedClock clock{FromLocalTime(2026, 12, 6, 9, 5, 3)};
    Logs logs{settings, clock};
};

TEST_F(LogsTest, FirstLineCreatesHeaderAndSecondIsAppended) {
    logs.WriteLog("první", "Relational.log");
    clock.Advance(std::chrono::seconds(61));
    logs.WriteLog("druhý", LogKind::Session);
    EXPECT_EQ(ReadFileBytes(dir / "logs/Relational.log"),
              "  *****  Zumaset Klient  ***** Log created: 06.12.2026 09:05:03\r\n\r\n"
              "[09:05:03]  -  první\r\n"
              "[09:06:04]  -  druhý\r\n");
}

TEST_F(LogsTest, EachLogHasItsFolderPrefixAndHeader) {
    logs.WriteLog("c", "  Control.log ");
    logs.WriteLog("e", LogKind::Error);
    logs.WriteDebugTrace("[SendFile      - START]<G01>");
    const std::string created = "Log created: 06.12.2026 09:05:03\r\n\r\n";
    EXPECT_EQ(ReadFileBytes(dir / "con/Control.log"),
              "  *****  Zumaset Klient  ***** " + created + "[09:05:03]  -  c\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "err/Error.log"),
              "  *****  Zumaset Klient  ***** " + created + "[06.12.2026 09:05:03]  -  e\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "con/Debug.log"),
              "  *****  Zumaset DebugLog  ***** " + created + "[09:05:03] - [SendFile      - START]<G01>\r\n");
}

TEST_F(LogsTest, UnknownKindWritesNothing) {
    logs.WriteLog("x", "Debug.log");
    logs.WriteLog("x", "relational.log");
    EXPECT_TRUE(fs::is_empty(dir / "logs"));
    EXPECT_TRUE(fs::is_empty(dir / "con"));
}

TEST_F(LogsTest, ErrorFolderWithoutFinalSeparatorGetsOne) {
    settings.ErrLogPath = folder() + "err";
    logs.WriteLog("e", LogKind::Error);
    EXPECT_TRUE(fs::exists(dir / "err/Error.log"));
    EXPECT_EQ(logs.LogPath(LogKind::Error), folder() + "err/Error.log");
}

TEST_F(LogsTest, FolderChangeTakesEffectWithTheNextLine) {
    logs.WriteLog("a", LogKind::Session);
    settings.LogsPath = folder() + "con/";
    logs.WriteLog("b", LogKind::Session);
    EXPECT_NE(ReadFileBytes(dir / "logs/Relational.log").find("a\r\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir / "con/Relational.log").find("b\r\n"), std::string::npos);
}

TEST_F(LogsTest, MissingFoldersAreCreatedOwnerOnlyWithTheirParents) {
    settings.ConLogPath = folder() + "missing/deeper/";
    logs.WriteDebugTrace("t");
    logs.WriteLog("c", LogKind::Connection);
    for (const char* sub : {"missing", "missing/deeper"}) {
        EXPECT_EQ(fs::status(dir / sub).permissions() & fs::perms::all, fs::perms::owner_all) << sub;
    }
    EXPECT_NE(ReadFileBytes(dir / "missing/deeper/Debug.log").find("] - t\r\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir / "missing/deeper/Control.log").find("]  -  c\r\n"), std::string::npos);
}

TEST_F(LogsTest, ARelativeMissingFolderIsNotCreatedUnderTheWorkingFolder) {
    settings.LogsPath = "C:/Zumaset/Logy/"; // as a Windows export brings it
    const fs::path previous = fs::current_path();
    fs::current_path(dir / "logs");
    logs.WriteLog("s", LogKind::Session);
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(dir / "logs"));
}

TEST_F(LogsTest, NewLogsAreOwnerOnly) {
    const mode_t previous = ::umask(022);
    logs.WriteLog("s", LogKind::Session);
    logs.WriteLog("e", LogKind::Error);
    logs.WriteDebugTrace("proxy password");
    ::umask(previous);
    for (const char* file : {"logs/Relational.log", "err/Error.log", "con/Debug.log"}) {
        EXPECT_EQ(fs::status(dir / file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
            << file;
    }
}

// Names come from servers, folders and users: a control character in them
// must not break a line or reach a terminal that shows the log.
TEST_F(LogsTest, ControlCharactersInALineAreEscapedButNotItsLineEnd) {
    logs.WriteLog("name\r\nforged line\x1b[2J\x7f\tend", LogKind::Session);
    logs.WriteDebugTrace(std::string("nul\0x", 5));
    EXPECT_NE(
        ReadFileBytes(dir / "logs/Relational.log").find("]  -  name\\x0D\\x0Aforged line\\x1B[2J\\x7F\\x09end\r\n"),
        std::string::npos);
    EXPECT_NE(ReadFileBytes(dir / "con/Debug.log").find("] - nul\\x00x\r\n"), std::string::npos);
}

struct EmptyFolderCase {
    const char* name;
    std::string Settings::*folder;
    void (*write)(const Logs& logs);
    const char* file;
    LogKind kind; // whose folder the file is in
};
void PrintTo(const EmptyFolderCase& c, std::ostream* os) {
    *os << c.name;
}

class EmptyLogFolder : public LogsTest, public testing::WithParamInterface<EmptyFolderCase> {};

// An empty folder setting (a fresh configuration's default) means the data
// folder, never the folder the process happens to run in.
TEST_P(EmptyLogFolder, MeansTheDataFolderNotTheCurrentOne) {
    settings.*GetParam().folder = "";
    const fs::path data = dir / "data" / "zumaset";
    Logs withData{settings, clock, data};
    const fs::path previous = fs::current_path();
    fs::current_path(dir / "logs");
    GetParam().write(withData);
    fs::current_path(previous);
    EXPECT_FALSE(fs::exists(dir / "logs" / GetParam().file));
    EXPECT_NE(ReadFileBytes(data / GetParam().file).find(" -  line\r\n"), std::string::npos);
    EXPECT_EQ(withData.Folder(GetParam().kind), data.string() + "/");
}

INSTANTIATE_TEST_SUITE_P(Logs, EmptyLogFolder,
                         testing::Values(EmptyFolderCase{"Session", &Settings::LogsPath,
                                                         [](const Logs& l) { l.WriteLog("line", LogKind::Session); },
                                                         "Relational.log", LogKind::Session},
                                         EmptyFolderCase{"Connection", &Settings::ConLogPath,
                                                         [](const Logs& l) { l.WriteLog("line", LogKind::Connection); },
                                                         "Control.log", LogKind::Connection},
                                         EmptyFolderCase{"Error", &Settings::ErrLogPath,
                                                         [](const Logs& l) { l.WriteLog("line", LogKind::Error); },
                                                         "Error.log", LogKind::Error},
                                         EmptyFolderCase{"Debug", &Settings::ConLogPath,
                                                         [](const Logs& l) { l.WriteDebugTrace(" -  line"); },
                                                         "Debug.log", LogKind::Connection}),
                         [](const auto& info) { return std::string(info.param.name); });

// A log that is a link is not written through; one left readable by others
// (it may hold the proxy password) is narrowed to its owner.
TEST_F(LogsTest, ALinkedLogIsNotFollowedAndAWideOneIsNarrowed) {
    WriteFileBytes(dir / "target", "kept");
    fs::create_symlink(dir / "target", dir / "logs/Relational.log");
    logs.WriteLog("s", LogKind::Session);
    EXPECT_EQ(ReadFileBytes(dir / "target"), "kept");
    EXPECT_TRUE(fs::is_symlink(dir / "logs/Relational.log"));

    WriteFileBytes(dir / "con/Debug.log", "old\r\n");
    fs::permissions(dir / "con/Debug.log",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    logs.WriteDebugTrace("proxy password");
    EXPECT_EQ(fs::status(dir / "con/Debug.log").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(ReadFileBytes(dir / "con/Debug.log").find("proxy password"), std::string::npos);
}

// Control and debug logs move away once a day, the error log once it is past
// one mebibyte; the moved file is named after the date of its last write.
struct RotationCase {
    const char* name;
    const char* file;    // below the temporary folder
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
    const fs::path current = dir / c.file;
    const std::string old(c.oldSize, 'x');
    WriteFileBytes(current, old);
    SetLastWrite(current, c.lastWrite);

    const std::string name = current.filename().string();
    std::string line = "[09:05:03]  -  new\r\n";
    if (name == "Debug.log") {
        logs.WriteDebugTrace("new");
        line = "[09:05:03] - new\r\n";
    } else {
        logs.WriteLog("new", name == "Error.log" ? LogKind::Error : LogKind::Connection);
        if (name == "Error.log") line = "[06.12.2026 09:05:03]  -  new\r\n";
    }

    if (c.rotatedName) {
        EXPECT_TRUE(ReadFileBytes(current.parent_path() / c.rotatedName) == old);
        const char* header = name == "Debug.log" ? "  *****  Zumaset DebugLog" : "  *****  Zumaset Klient";
        EXPECT_EQ(ReadFileBytes(current).rfind(header, 0), 0u);
    } else {
        EXPECT_TRUE(ReadFileBytes(current) == old + line);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(current.parent_path()), fs::directory_iterator()),
              c.rotatedName ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Logs, Rotation,
    testing::Values(
        RotationCase{"LastWrittenYesterdayAt2359", "con/Control.log", 5, FromLocalTime(2026, 12, 5, 23, 59, 0),
                     "20261205_Control.log"},
        RotationCase{"LastWrittenTodayAt000001", "con/Control.log", 5, FromLocalTime(2026, 12, 6, 0, 0, 1), nullptr},
        RotationCase{"LastWrittenInTheFuture", "con/Control.log", 5, FromLocalTime(2026, 12, 7, 8, 0, 0), nullptr},
        RotationCase{"DebugLogDaily", "con/Debug.log", 5, FromLocalTime(2026, 11, 30, 12, 0, 0), "20261130_Debug.log"},
        RotationCase{"ErrorLogOfExactlyOneMebibyteStays", "err/Error.log", kMiB, FromLocalTime(2026, 12, 1, 8, 0, 0),
                     nullptr},
        RotationCase{"ErrorLogOneByteLargerEvenIfWrittenToday", "err/Error.log", kMiB + 1,
                     FromLocalTime(2026, 12, 6, 8, 0, 0), "20261206_Error.log"},
        RotationCase{"ErrorLogNotByDay", "err/Error.log", 5, FromLocalTime(2026, 10, 1, 8, 0, 0), nullptr}),
    [](const testing::TestParamInfo<RotationCase>& info) { return std::string(info.param.name); });

TEST_F(LogsTest, SecondRotationTheSameDayFailsAndLinesKeepBeingAppended) {
    const fs::path current = dir / "err/Error.log";
    const fs::path rotated = dir / "err/20261206_Error.log";
    WriteFileBytes(rotated, "earlier rotation");
    const std::string big(kMiB + 10, 'x');
    WriteFileBytes(current, big);
    SetLastWrite(current, FromLocalTime(2026, 12, 6, 8, 0, 0));

    logs.WriteLog("a", LogKind::Error);
    SetLastWrite(current, clock.Now()); // the file system stamped the real time; keep to the test's day
    clock.Advance(std::chrono::seconds(1));
    logs.WriteLog("b", LogKind::Error);

    EXPECT_EQ(ReadFileBytes(rotated), "earlier rotation");
    EXPECT_EQ(ReadFileBytes(current), big + "[06.12.2026 09:05:03]  -  a\r\n[06.12.2026 09:05:04]  -  b\r\n");
}

} // namespace
} // namespace zumaset
