#pragma once

#include "core/file_lock.h"
#include "core/logs.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/time_format.h"
#include "exchange/sent_files.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// The files uploaded in the last two days, in the order they were sent.
// Replies are routed back through it, overdue receipts are found in it, and it
// survives a restart in the file "Zumaset.sav" in the session-log folder.
// Values longer than the widths the file format was designed for (255, 100
// and 8 characters) are kept whole: cutting them would misroute replies.
//
// Once loaded, the register keeps its file current: every change (a new
// record, an expiry) rewrites the file atomically, so a process that is
// killed leaves exactly the records it had, and the next start reads them.
class ReceiptRegister final : public SentFiles {
public:
    static constexpr std::string_view kFileName = "Zumaset.sav";

    void Add(std::string sendAs, std::string pathName, std::string cuCode, TimePoint now) override;

    enum class Load { Loaded, Busy, Refused };

    // Locks the register file for this object's lifetime (until Close), so
    // that processes sharing the session-log folder never overwrite each
    // other's records; removes the temporary files a killed save left; then
    // appends the records of the register file, which stays in place, and
    // from then on keeps that file current. A line that cannot be read is
    // skipped with an error-log line; the others load.
    // Busy: another process holds the register; nothing is loaded and
    // nothing will be saved. Refused: the file is a link, a FIFO or anything
    // but a regular file, or cannot be read; it is reported in the error log,
    // neither followed nor replaced, and the register lives in memory only
    // (every save fails).
    Load LoadRegister(const Logs& logs);

    // Saves when a change has not reached the file yet, then releases the
    // lock. False when the register could not be saved at some point.
    bool Close();

    // Writes every record to the register file (atomically, owner-only, the
    // folder created when missing). A failure is written to the error log.
    // Returns false when the file could not be written (or was refused).
    bool SaveRegister(const Logs& logs);

    // Drops the records sent more than 48 hours before `now`.
    void ExpireRegister(TimePoint now);

    // True when any save since the register was loaded has failed.
    bool SaveFailed() const { return saveFailed_; }

    // The upper-case names, each followed by two blanks, of the records older than
    // 20 minutes whose kind expects a receipt; nothing when there are none.
    std::optional<std::string> FindOverdueReceipts(TimePoint now) const;

    // The first record the received file answers (see the routing rules in the
    // .cpp); none when no record does. A name without a base matches nothing.
    const RegisterRecord* FindSentRecord(std::string_view officeCode, std::string_view lookupName,
                                         bool runMode) const override;
    bool Empty() const override { return records_.empty(); }

    const std::vector<RegisterRecord>& records() const { return records_; }

private:
    // Saves when the register has been loaded from its file (and so keeps it).
    void Persist();

    std::vector<RegisterRecord> records_;
    const Logs* logs_ = nullptr;
    std::optional<FileLock> lock_;
    bool busy_ = false;
    bool unsaved_ = false;
    bool refused_ = false;
    bool refusalReported_ = false;
    bool saveFailed_ = false;
};

// What reading the register file found.
struct RegisterFileContent {
    enum class State { Missing, Read, NotRegular, Unreadable };
    State state = State::Missing;
    std::string text{};
    int error = 0; // errno for Unreadable
};

// Reads the register file without following a link and without blocking on
// a FIFO: only a regular file is read.
RegisterFileContent ReadRegisterFile(const std::filesystem::path& file);

// The register file's path: in the session-log folder, the data folder when
// that setting is empty.
std::filesystem::path RegisterFilePath(const Settings& settings,
                                       const std::filesystem::path& dataFolder = DataFolder());
std::filesystem::path RegisterFilePath(const Logs& logs);

// The lock file beside the register that every process using it holds.
std::filesystem::path RegisterLockPath(const std::filesystem::path& registerFile);

// Removes the temporary files of interrupted saves beside the register file
// (exactly ".Zumaset.sav." and six letters or digits, regular files only).
// Only safe while the register lock is held.
void RemoveStaleRegisterTemps(const std::filesystem::path& registerFile);

// Parses one line of the register file, read from both ends so that a "#" in
// a folder or file name stays in its field; a line that does not read so is
// taken by its first four "#"-separated parts. None when neither gives a
// date and time in the last field.
std::optional<RegisterRecord> ParseRegisterLine(std::string_view line);
std::string FormatRegisterLine(const RegisterRecord& record);

// Parses the register file's text: every line that ends with CR LF (the text
// after the last CR LF is not a complete line and is not used). A line that
// does not parse is handed to `badLine` with its 1-based number and skipped.
std::vector<RegisterRecord> ParseRegisterText(std::string_view text,
                                              const std::function<void(std::size_t, std::string_view)>& badLine);

// The base of a name: the part before the first "." at or after its
// fifth-last character; none when there is no such "." or the name is shorter
// than five characters.
std::optional<std::string_view> NameBase(std::string_view name);

} // namespace zumaset
