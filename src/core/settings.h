#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <variant>

namespace zumaset {

// The client's configuration, one field per value of the settings key.
// Field names are the registry value names. Passwords are held in plain text
// here; only their stored form is scrambled.
struct Settings {
    std::string ServerTxt;
    std::string ServerXml;
    std::string ServerOne;
    std::string ServerTwo;
    std::string User;
    std::string Pass;
    bool RASMode = false;
    bool RunMode = false;
    bool UseProxy = false;
    std::string ProxyName;
    std::string ProxyPort;
    std::string ProxyUser;
    std::string ProxyPass;
    std::string RASName;
    bool RASAutoDial = false;
    std::string SourcePath;
    std::string RetValPath;
    std::string ArchivPath;
    std::string LogsPath;
    std::string ErrLogPath;
    std::string ConLogPath;
    bool SubDirIgnore = false;
    std::int16_t CuMode = 0;
    std::string CuOption;
    std::int16_t CuPosition = 0;
    std::int16_t FileNamePos = 0;
    std::string Delimiter;
    bool OnLineMode = false;
    std::int16_t TimeInterval = 0;
    bool ShowErrMessage = false;
    bool WriteLogFile = false;
    bool WriteLogControl = false;
    bool WriteDebugLog = false;
    bool ViewInfo = false;
    bool ArchiveFiles = false;
    bool DeleteLogFiles = false;
    std::int32_t DeleteDayInt = 0;
    bool NoGetConnect = false;
    // The largest file a receive pass fetches, in MiB; 0 or less means the
    // default of 2048 (2 GiB). A longer file is reported and left on the server.
    std::int32_t MaxFileSize = 0;
    bool UseMAPI = false;
    // The mail server the notices go through: "smtp://host:port" (encrypted
    // with STARTTLS when the server offers it) or "smtps://host:port".
    std::string MailServer;
    // The sender address of the notices.
    std::string MailFrom;
    std::string MAPIUser;
    std::string MAPIPass;
    std::string SendTo;
    bool MAPIErrorMessage = false;
    bool MAPINoRetMessage = false;

    bool operator==(const Settings&) const = default;
};

// How a field is stored and converted on its way in and out of the registry.
enum class FieldKind {
    Text,      // REG_SZ, trimmed on loading
    RawText,   // REG_SZ, kept exactly as stored (the structured-name delimiter)
    Folder,    // REG_SZ, trimmed and given a trailing separator on loading
    Scrambled, // REG_SZ holding the scrambled password
    Bool,      // REG_DWORD, 0xFFFFFFFF for true, any non-zero reads as true
    Int16,     // REG_DWORD, sign-extended 16-bit number
    Int32,     // REG_DWORD
    BoolText,  // REG_SZ "True"/"False"
};

using FieldMember =
    std::variant<std::string Settings::*, bool Settings::*, std::int16_t Settings::*, std::int32_t Settings::*>;

// What an edited value must satisfy beyond its kind. Numbers are held to the
// field's range instead.
enum class FieldRule {
    None,          // any text on one line (numbers: the range only)
    ServerAddress, // "host" or "host:port" as the transport takes it, or empty
    Port,          // a port number from 1 to 65535, or empty
    OfficeList,    // "abbreviations|code%" entries one after another, or empty
    Delimiter,     // one character that may stand in a file name, or empty
    Folder,        // an absolute folder path, or empty
    MailServer,    // "smtp://host[:port]" or "smtps://host[:port]", or empty
    MailAddress,   // one e-mail address "name@domain", or empty
};

// The lowest and highest number a field of this kind can hold (0 for the
// kinds that hold no number).
constexpr std::int64_t KindMinimum(FieldKind kind) {
    if (kind == FieldKind::Int16) return std::numeric_limits<std::int16_t>::min();
    if (kind == FieldKind::Int32) return std::numeric_limits<std::int32_t>::min();
    return 0;
}
constexpr std::int64_t KindMaximum(FieldKind kind) {
    if (kind == FieldKind::Int16) return std::numeric_limits<std::int16_t>::max();
    if (kind == FieldKind::Int32) return std::numeric_limits<std::int32_t>::max();
    return 0;
}

// One setting: its registry value name, how it is stored, where it is held,
// and what an edited value must satisfy. A number field without a range of
// its own takes any number its kind can hold. `note` says what a number
// means; it is appended to the description of the accepted values.
struct FieldInfo {
    std::string_view name;
    FieldKind kind;
    FieldMember member;
    FieldRule rule = FieldRule::None;
    std::int64_t min = KindMinimum(kind);
    std::int64_t max = KindMaximum(kind);
    std::string_view note = {};
};

inline constexpr std::size_t kSettingsFieldCount = 47;

// Every setting once, in load and save order. Loading, saving, the command-line
// editor and the dialog all walk this table.
const std::array<FieldInfo, kSettingsFieldCount>& SettingsFields();

// The field with this registry value name (exact, case-sensitive), or nullptr.
const FieldInfo* FindSettingsField(std::string_view name);

// MaxFileSize in bytes, the default for 0 or less.
std::uint64_t MaxReceivedFileBytes(const Settings& settings);

} // namespace zumaset
