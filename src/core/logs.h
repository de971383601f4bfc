#pragma once

#include "core/clock.h"
#include "core/paths.h"
#include "core/settings.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// The three logs a caller picks by name; the debug log has its own writer.
enum class LogKind { Session, Connection, Error };

inline constexpr std::string_view kSessionLogName = "Relational.log";
inline constexpr std::string_view kConnectionLogName = "Control.log";
inline constexpr std::string_view kErrorLogName = "Error.log";
inline constexpr std::string_view kDebugLogName = "Debug.log";

// A log folder setting as the logs use it, ended by "/": an empty one means
// the data folder.
std::string LogFolder(const std::string& folder, const std::filesystem::path& dataFolder);

// The file name of a log ("Relational.log", "Control.log", "Error.log").
std::string_view LogFileName(LogKind kind);
// The log a file name stands for, surrounding blanks ignored; nothing for other names.
std::optional<LogKind> LogKindFromName(std::string_view name);

// Writes lines to the session, connection, error and debug logs. The folders
// are read from the settings at every call, so a changed folder takes effect
// with the next line. Each line opens, writes and closes its file; a day-old
// log is renamed under the date of its last write before the first line of a
// new day (the error log instead when it grows past 1 MiB). A missing
// absolute folder is created owner-only with its missing parents, and new log
// files are owner-only (0600); an existing one readable by others is made
// owner-only, and a log that is a link or not a regular file is not written.
// An empty log folder means the data folder, never the working folder.
// Control characters in a line are written as "\xNN". Nothing is ever
// reported: a line that cannot be written is lost.
class Logs {
public:
    Logs(const Settings& settings, const Clock& clock, std::filesystem::path dataFolder = DataFolder())
        : settings_(settings), clock_(clock), dataFolder_(std::move(dataFolder)) {}

    // Appends one line to a log; the caller decides whether the line is wanted.
    void WriteLog(std::string_view text, LogKind kind) const noexcept;
    // As above with the log named by its file name; an unknown name writes nothing.
    void WriteLog(std::string_view text, std::string_view kindName) const noexcept;
    // Appends one debug trace line (see TraceLine) to the debug log.
    void WriteDebugTrace(std::string_view text) const noexcept;

    // The folder a log is written to, ended by "/": the folder setting, or
    // the data folder when that is empty. The register of sent files lives in
    // the session log's folder.
    std::string Folder(LogKind kind) const;
    // Full path of the current file of a log (its folder + file name).
    std::string LogPath(LogKind kind) const;

    const Settings& settings() const { return settings_; }
    const Clock& clock() const { return clock_; }

    // Told of every line written to the session, connection or error log
    // (also of a line that could not be written), on the writer's thread;
    // callers that must say what a pass reported use it. Set it before
    // the passes start. Empty: nobody is told.
    using LineObserver = std::function<void(LogKind kind, std::string_view line)>;
    void SetLineObserver(LineObserver observer) { observer_ = std::move(observer); }

private:
    const Settings& settings_;
    const Clock& clock_;
    std::filesystem::path dataFolder_;
    LineObserver observer_;
};

} // namespace zumaset
