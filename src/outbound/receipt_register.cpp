#include "outbound/receipt_register.h"

#include "core/atomic_file.h"
#include "core/charset.h"
#include "core/system_error_text.h"
#include "core/unique_fd.h"
#include "core/upper_case.h"
#include "core/utf8_slice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace {

using namespace std::chrono_literals;

constexpr auto kExpiry = 48h;
// 0.0139 of a day: a receipt is overdue 20 minutes and 0.96 seconds after sending.
constexpr auto kOverdue = std::chrono::milliseconds(1'200'960);

// Kinds of file for which no receipt is awaited.
constexpr std::array<std::string_view, 4> kNoReceiptKinds{"PEI", "PE", "PEU", "DAW"};

bool ContainsUpper(std::string_view haystack, std::string_view needle) {
    return ToUpperText(haystack).find(ToUpperText(needle)) != std::string::npos;
}

} // namespace

std::optional<std::string_view> NameBase(std::string_view name) {
    const std::size_t length = Utf8Length(name);
    if (length < 5) return std::nullopt;
    const std::size_t from = Utf8Prefix(name, length - 5).size();
    const std::size_t dot = name.find('.', from);
    if (dot == std::string_view::npos) return std::nullopt;
    return name.substr(0, dot);
}

std::filesystem::path RegisterFilePath(const Settings& settings, const std::filesystem::path& dataFolder) {
    return std::filesystem::path(LogFolder(settings.LogsPath, dataFolder) + std::string(ReceiptRegister::kFileName));
}

std::filesystem::path RegisterFilePath(const Logs& logs) {
    return std::filesystem::path(logs.Folder(LogKind::Session) + std::string(ReceiptRegister::kFileName));
}

namespace {

RegisterRecord MakeRecord(std::string_view sendAs, std::string_view pathName, std::string_view cuCode, TimePoint when) {
    return RegisterRecord{std::string(sendAs), std::string(pathName), std::string(cuCode), when};
}

// The line read from both ends: the date after the last "#", the office code
// between the last two, and the rest split into the sent name and the folder.
// The folder is an absolute path, so it begins at the first "#/" (a file name
// never holds a "/"); a "#" inside a folder or file name stays in its field.
std::optional<RegisterRecord> ParseFromBothEnds(std::string_view line) {
    const std::size_t last = line.rfind('#');
    if (last == std::string_view::npos) return std::nullopt;
    const auto when = ParseDefaultDateTime(line.substr(last + 1));
    if (!when) return std::nullopt;
    const std::size_t office = line.rfind('#', last == 0 ? 0 : last - 1);
    if (office == std::string_view::npos || office == last) return std::nullopt;
    const std::string_view head = line.substr(0, office);
    std::size_t split = head.find("#/");
    if (split == std::string_view::npos) split = head.find('#');
    if (split == std::string_view::npos) return std::nullopt;
    return MakeRecord(head.substr(0, split), head.substr(split + 1), line.substr(office + 1, last - office - 1), *when);
}

// The older reading: the first four "#"-separated parts, further parts
// ignored. Kept for lines that other writers ended with parts of their own.
std::optional<RegisterRecord> ParseFirstFourParts(std::string_view line) {
    std::array<std::string_view, 4> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t hash = line.find('#', start);
        if (hash == std::string_view::npos) {
            if (i != parts.size() - 1) return std::nullopt;
            parts[i] = line.substr(start);
        } else {
            parts[i] = line.substr(start, hash - start);
            start = hash + 1;
        }
    }
    const auto when = ParseDefaultDateTime(parts[3]);
    if (!when) return std::nullopt;
    return MakeRecord(parts[0], parts[1], parts[2], *when);
}

} // namespace

std::optional<RegisterRecord> ParseRegisterLine(std::string_view line) {
    if (auto record = ParseFromBothEnds(line)) return record;
    return ParseFirstFourParts(line);
}

std::vector<RegisterRecord> ParseRegisterText(std::string_view text,
                                              const std::function<void(std::size_t, std::string_view)>& badLine) {
    std::vector<RegisterRecord> records;
    std::size_t start = 0;
    std::size_t lineNo = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string_view::npos; end = text.find("\r\n", start)) {
        ++lineNo;
        const std::string_view line = text.substr(start, end - start);
        start = end + 2;
        if (auto record = ParseRegisterLine(line)) {
            records.push_back(std::move(*record));
        } else {
            badLine(lineNo, line);
        }
    }
    return records;
}

std::string FormatRegisterLine(const RegisterRecord& r) {
    return r.SendAs + "#" + r.PathName + "#" + r.CuCode + "#" + FormatDefaultDateTime(r.SendTime);
}

RegisterFileContent ReadRegisterFile(const std::filesystem::path& file) {
    RegisterFileContent result;
    // O_NOFOLLOW refuses a link; O_NONBLOCK keeps a FIFO from holding the open.
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        const int err = errno;
        if (err == ENOENT) return result;
        result.state = err == ELOOP ? RegisterFileContent::State::NotRegular : RegisterFileContent::State::Unreadable;
        result.error = err;
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.state = RegisterFileContent::State::NotRegular;
        return result;
    }
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.state = RegisterFileContent::State::Unreadable;
            result.error = errno;
            return result;
        }
        if (n == 0) break;
        result.text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    result.state = RegisterFileContent::State::Read;
    return result;
}

std::filesystem::path RegisterLockPath(const std::filesystem::path& registerFile) {
    return registerFile.parent_path() / ("." + registerFile.filename().string() + ".lock");
}

void RemoveStaleRegisterTemps(const std::filesystem::path& registerFile) {
    // The temporary name the atomic save gives: "." + name + "." + the six
    // characters mkstemp puts in place of "XXXXXX".
    const std::string prefix = "." + registerFile.filename().string() + ".";
    std::error_code error;
    const std::filesystem::path folder = registerFile.parent_path().empty() ? "." : registerFile.parent_path();
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                         [](unsigned char c) { return std::isalnum(c) != 0; }))
            continue;
        std::error_code statusError;
        if (!it->is_regular_file(statusError) || it->is_symlink(statusError)) continue;
        std::filesystem::remove(it->path(), statusError);
    }
}

void ReceiptRegister::Add(std::string sendAs, std::string pathName, std::string cuCode, TimePoint now) {
    records_.push_back(RegisterRecord{std::move(sendAs), std::move(pathName), std::move(cuCode), now});
    unsaved_ = true;
    Persist();
}

ReceiptRegister::Load ReceiptRegister::LoadRegister(const Logs& logs) {
    const std::filesystem::path file = RegisterFilePath(logs);
    const std::filesystem::path lockFile = RegisterLockPath(file);
    // As for the logs, only an absolute folder is created; the lock file in
    // a relative one that is missing cannot be made (see below).
    if (file.is_absolute()) CreateFolderOwnerOnly(file.parent_path());
    lock_.emplace(lockFile, FileLock::Mode::Exclusive, FileLock::Wait::Try);
    if (!lock_->held()) {
        lock_.reset();
        // A lock file this process may open is held by another process; one
        // that could not be created or opened (a read-only folder, another
        // user's file) leaves the register unlocked, and its saves then
        // report the folder.
        if (::access(lockFile.c_str(), R_OK | W_OK) == 0) {
            busy_ = true;
            return Load::Busy;
        }
    }
    logs_ = &logs;
    if (lock_) RemoveStaleRegisterTemps(file);
    const RegisterFileContent content = ReadRegisterFile(file);
    const std::string number = "[" + std::to_string(kNoSystemErrorNumber) + "] *** ";
    switch (content.state) {
    case RegisterFileContent::State::Missing: return Load::Loaded;
    case RegisterFileContent::State::NotRegular:
        refused_ = true;
        refusalReported_ = true;
        logs.WriteLog(number +
                          "Soubor registru odeslaných souborů není obyčejný soubor (odkaz, roura, složka), "
                          "nebude použit ani přepsán  \"" +
                          file.string() + "\"",
                      LogKind::Error);
        return Load::Refused;
    case RegisterFileContent::State::Unreadable:
        refused_ = true;
        refusalReported_ = true;
        logs.WriteLog(number + "Soubor registru nelze přečíst: " + SystemErrorText(content.error) + "  \"" +
                          file.string() + "\"",
                      LogKind::Error);
        return Load::Refused; // the file stays as it is for the next start
    case RegisterFileContent::State::Read: break;
    }
    auto records = ParseRegisterText(content.text, [&](std::size_t lineNo, std::string_view line) {
        logs.WriteLog(number + "Neplatný řádek registru odeslaných souborů vynechán  \"" + file.string() + "\" " +
                          std::to_string(lineNo) + ": " + std::string(line),
                      LogKind::Error);
    });
    std::move(records.begin(), records.end(), std::back_inserter(records_));
    return Load::Loaded;
}

bool ReceiptRegister::Close() {
    if (unsaved_ && logs_ != nullptr) SaveRegister(*logs_);
    lock_.reset();
    // A busy register's own changes never reach the file.
    return !saveFailed_ && !(busy_ && unsaved_);
}

bool ReceiptRegister::SaveRegister(const Logs& logs) {
    // Another process holds this register: its file is that process's to write.
    if (busy_) return false;
    const std::filesystem::path file = RegisterFilePath(logs);
    if (refused_) {
        saveFailed_ = true;
        if (!refusalReported_) {
            logs.WriteLog("[" + std::to_string(kNoSystemErrorNumber) +
                              "] *** Registr odeslaných souborů nelze uložit, jeho soubor byl odmítnut  \"" +
                              file.string() + "\"",
                          LogKind::Error);
            refusalReported_ = true;
        }
        return false;
    }
    std::string text;
    for (const auto& record : records_) text += FormatRegisterLine(record) + "\r\n";
    if (const int err = WriteFileAtomically(file, text); err != 0) {
        saveFailed_ = true;
        logs.WriteLog("[" + std::to_string(err) + "] *** Registr odeslaných souborů nelze uložit: " +
                          SystemErrorText(err) + "  \"" + file.string() + "\"",
                      LogKind::Error);
        return false;
    }
    unsaved_ = false;
    return true;
}

void ReceiptRegister::Persist() {
    if (logs_ != nullptr) SaveRegister(*logs_);
}

void ReceiptRegister::ExpireRegister(TimePoint now) {
    if (std::erase_if(records_, [&](const RegisterRecord& r) { return r.SendTime < now - kExpiry; }) > 0) {
        unsaved_ = true;
        Persist();
    }
}

std::optional<std::string> ReceiptRegister::FindOverdueReceipts(TimePoint now) const {
    std::string list;
    for (const auto& record : records_) {
        if (now - kOverdue < record.SendTime) continue;
        const std::size_t dot = record.SendAs.find('.');
        const std::string kind = ToUpperText(dot == std::string::npos ? record.SendAs : record.SendAs.substr(dot + 1));
        if (std::find(kNoReceiptKinds.begin(), kNoReceiptKinds.end(), kind) != kNoReceiptKinds.end()) continue;
        list += ToUpperText(record.SendAs) + "  ";
    }
    if (list.empty()) return std::nullopt;
    return list;
}

// With an office code, a record answers the received file when it was sent for
// that office and its base name contains the received file's base name (in
// test operation also when the sent name contains the received name less its
// first six characters). Without one (a reply from the "TVAL" folder), when the
// sent name contains the received name. The earliest record wins.
const RegisterRecord* ReceiptRegister::FindSentRecord(std::string_view officeCode, std::string_view lookupName,
                                                      bool runMode) const {
    const auto lookupBase = NameBase(lookupName);
    const std::string_view afterSix = Utf8DropPrefix(lookupName, 6);
    for (const auto& record : records_) {
        bool answers = false;
        if (officeCode.empty()) {
            answers = ContainsUpper(record.SendAs, lookupName);
        } else if (record.CuCode == officeCode) {
            const auto sentBase = NameBase(record.SendAs);
            answers = (sentBase && lookupBase && ContainsUpper(*sentBase, *lookupBase)) ||
                      (runMode && ContainsUpper(record.SendAs, afterSix));
        }
        if (answers) return &record;
    }
    return nullptr;
}

} // namespace zumaset
