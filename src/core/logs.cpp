#include "core/logs.h"

#include "core/atomic_file.h"
#include "core/file_rename.h"
#include "core/folder_path.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/time_format.h"
#include "core/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kErrorLogLimit = 1'048'576;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kClientHeader = "  *****  Zumaset Klient  ***** Log created: ";
constexpr std::string_view kDebugHeader = "  *****  Zumaset DebugLog  ***** Log created: ";

enum class Rotation { Daily, BySize };

// Everything that tells one log from another.
struct LogFile {
    std::string folder;
    std::string_view name;
    Rotation rotation;
    bool dateInPrefix; // error log: "dd.mm.yyyy hh:mm:ss" instead of "hh:mm:ss"
    std::string_view prefixClose;
    std::string_view header;
};

LogFile Describe(const Settings& settings, LogKind kind, const std::filesystem::path& dataFolder) {
    switch (kind) {
    case LogKind::Session:
        return {
            LogFolder(settings.LogsPath, dataFolder), kSessionLogName, Rotation::Daily, false, "]  -  ", kClientHeader};
    case LogKind::Connection:
        return {LogFolder(settings.ConLogPath, dataFolder),
                kConnectionLogName,
                Rotation::Daily,
                false,
                "]  -  ",
                kClientHeader};
    case LogKind::Error:
        return {
            LogFolder(settings.ErrLogPath, dataFolder), kErrorLogName, Rotation::BySize, true, "]  -  ", kClientHeader};
    }
    return {};
}

LogFile DescribeDebug(const Settings& settings, const std::filesystem::path& dataFolder) {
    return {LogFolder(settings.ConLogPath, dataFolder), kDebugLogName, Rotation::Daily, false, "] - ", kDebugHeader};
}

// Moves the current file aside under the date of its last write when its day
// has passed (or it grew too large). A failed rename leaves it in place.
void RotateIfDue(const LogFile& log, const fs::path& current, TimePoint now) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(current, error))) return;
    const auto written = fs::last_write_time(current, error);
    if (error) return;
    const TimePoint lastWrite = FromFileTime(written);

    bool due = false;
    if (log.rotation == Rotation::Daily) {
        due = lastWrite < LocalMidnight(now);
    } else {
        const auto size = fs::file_size(current, error);
        due = !error && size > kErrorLogLimit;
    }
    if (!due) return;
    const fs::path rotated = log.folder + FormatCompactDate(lastWrite) + "_" + std::string(log.name);
    RenameNoReplace(current, rotated);
}

// Control characters of the text (names from servers, folders and users) are
// escaped so that every line stays one line; the line's own CR LF is not.
void WriteLine(const LogFile& log, std::string_view text, TimePoint now) {
    // Only an absolute folder is created: a relative one (such as "C:/Logy/"
    // from a Windows export) would otherwise grow under the working folder.
    if (!log.folder.empty() && log.folder.front() == '/') CreateFolderOwnerOnly(log.folder);
    const fs::path current = log.folder + std::string(log.name);
    RotateIfDue(log, current, now);

    std::error_code error;
    const bool exists = fs::exists(fs::symlink_status(current, error));

    std::string block;
    if (!exists) {
        block.append(log.header).append(FormatLogDateTime(now)).append(kLineEnd).append(kLineEnd);
    }
    block.append("[").append(log.dateInPrefix ? FormatLogDateTime(now) : FormatClockTime(now));
    block.append(log.prefixClose).append(EscapeControlChars(text)).append(kLineEnd);

    // Owner-only: the debug log holds the proxy password. A link is not
    // followed and only a regular file is written (O_NONBLOCK keeps a FIFO
    // from holding the line); a log another tool left readable by others is
    // narrowed to its owner.
    const UniqueFd fd(
        ::open(current.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (!fd.valid()) return;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if ((st.st_mode & 077) != 0) ::fchmod(fd.get(), st.st_mode & 0700);
    WriteAll(fd.get(), block); // a log line that cannot be written is lost
}

} // namespace

std::string LogFolder(const std::string& folder, const std::filesystem::path& dataFolder) {
    // Without a folder of its own a log goes to the data folder, never to
    // whatever folder the process was started in.
    return WithTrailingSeparator(folder.empty() ? dataFolder.string() : folder);
}

std::string_view LogFileName(LogKind kind) {
    switch (kind) {
    case LogKind::Session: return kSessionLogName;
    case LogKind::Connection: return kConnectionLogName;
    case LogKind::Error: return kErrorLogName;
    }
    return {};
}

std::optional<LogKind> LogKindFromName(std::string_view name) {
    const std::string trimmed = TrimBlanks(name);
    for (const LogKind kind : {LogKind::Session, LogKind::Connection, LogKind::Error}) {
        if (trimmed == LogFileName(kind)) return kind;
    }
    return std::nullopt;
}

void Logs::WriteLog(std::string_view text, LogKind kind) const noexcept {
    try {
        WriteLine(Describe(settings_, kind, dataFolder_), text, clock_.Now());
    } catch (...) {
        // A log line is never worth disturbing the caller: it is lost.
    }
    if (observer_) {
        try {
            observer_(kind, text);
        } catch (...) {}
    }
}

void Logs::WriteLog(std::string_view text, std::string_view kindName) const noexcept {
    try {
        if (const auto kind = LogKindFromName(kindName)) WriteLog(text, *kind);
    } catch (...) {}
}

void Logs::WriteDebugTrace(std::string_view text) const noexcept {
    try {
        WriteLine(DescribeDebug(settings_, dataFolder_), text, clock_.Now());
    } catch (...) {}
}

std::string Logs::LogPath(LogKind kind) const {
    const LogFile log = Describe(settings_, kind, dataFolder_);
    return log.folder + std::string(log.name);
}

std::string Logs::Folder(LogKind kind) const {
    return Describe(settings_, kind, dataFolder_).folder;
}

} // namespace zumaset
