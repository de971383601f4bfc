#include "app/ctl/config_command.h"

#include "app/ctl/exit_codes.h"
#include "core/atomic_file.h"
#include "core/charset.h"
#include "core/registry_document.h"
#include "core/setting_rules.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "core/text.h"
#include "core/translate.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <variant>

namespace zumaset {

namespace {

const FieldInfo* FindFieldNoCase(std::string_view name) {
    for (const auto& field : SettingsFields()) {
        if (EqualsNoCase(field.name, name)) return &field;
    }
    return nullptr;
}

std::string Shown(const Settings& settings, const FieldInfo& field, bool showPasswords) {
    std::string text = FieldText(settings, field);
    if (IsPasswordField(field) && !showPasswords && !text.empty()) return "********";
    return EscapeControlChars(text);
}

// An export's bytes as UTF-8 text: UTF-16LE with its byte-order mark, UTF-8,
// or the Windows-1250 of older exports.
std::optional<std::string> DecodeExport(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        return Utf16LeToUtf8(std::string_view(bytes).substr(2));
    }
    if (IsValidUtf8(bytes)) return bytes;
    return Cp1250ToUtf8(bytes);
}

std::string WindowsLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Writes the whole record as the configuration dialog would and checks that
// it reads back the same.
bool SaveAndCheck(const Settings& settings, Registry& registry) {
    SaveSettings(settings, registry);
    Settings check;
    LoadSettings(check, registry);
    return check == settings;
}

// A folder written for Windows: one on a drive letter (C:\Zumaset, C:/Zumaset)
// or on a network share (\\server\share).
bool IsWindowsFolder(std::string_view folder) {
    const bool driveLetter = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                             folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
    return driveLetter || folder.starts_with("\\\\");
}

} // namespace

std::vector<std::string> WindowsFolderSettings(const Settings& settings) {
    std::vector<std::string> names;
    for (const auto& field : SettingsFields()) {
        if (field.rule == FieldRule::Folder && IsWindowsFolder(FieldText(settings, field)))
            names.emplace_back(field.name);
    }
    return names;
}

int ConfigCommand::ReportForeignFolders(const Settings& imported) {
    const std::vector<std::string> names = WindowsFolderSettings(imported);
    if (names.empty()) return kExitOk;
    for (const auto& name : names) {
        const FieldInfo* field = FindSettingsField(name);
        err_ << FormatText(Tr("%1$s = %2$s is a Windows folder and cannot work here; set a folder of this machine "
                              "with: zumasetctl config set %1$s /path/to/folder"),
                           name.c_str(), EscapeControlChars(FieldText(imported, *field)).c_str())
             << '\n';
    }
    return kExitFailure;
}

std::string SettingNames() {
    std::string names;
    for (const auto& field : SettingsFields()) {
        if (!names.empty()) names += ", ";
        names += field.name;
    }
    return names;
}

int ConfigCommand::Show(bool showPasswords) {
    Settings settings;
    LoadSettings(settings, registry_);
    std::size_t width = 0;
    for (const auto& field : SettingsFields()) width = std::max(width, field.name.size());
    for (const auto& field : SettingsFields()) {
        out_ << field.name << std::string(width - field.name.size(), ' ') << " = ";
        const std::string shown = Shown(settings, field, showPasswords);
        const bool stored =
            !std::holds_alternative<std::monostate>(registry_.QueryValue(Hive::CurrentUser, kSettingsKey, field.name));
        if (shown.empty()) {
            out_ << "(" << Tr("not set") << ")";
        } else {
            out_ << shown;
            if (!stored) out_ << "  (" << Tr("not set, the default") << ")";
        }
        out_ << '\n';
    }
    return kExitOk;
}

int ConfigCommand::Get(const std::string& name, bool showPasswords) {
    const FieldInfo* field = FindFieldNoCase(name);
    if (field == nullptr) {
        err_ << FormatText(Tr("unknown setting '%s'; the settings are: %s"), EscapeControlChars(name).c_str(),
                           SettingNames().c_str())
             << '\n';
        return kExitUsage;
    }
    Settings settings;
    LoadSettings(settings, registry_);
    out_ << Shown(settings, *field, showPasswords) << '\n';
    return kExitOk;
}

int ConfigCommand::Set(const std::string& name, const std::string& value, std::istream& in) {
    const FieldInfo* field = FindFieldNoCase(name);
    if (field == nullptr) {
        err_ << FormatText(Tr("unknown setting '%s'; the settings are: %s"), EscapeControlChars(name).c_str(),
                           SettingNames().c_str())
             << '\n';
        return kExitUsage;
    }
    std::string text = value;
    if (IsPasswordField(*field) && value == "-") {
        if (!std::getline(in, text)) text.clear();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    // The whole record is read, changed and written under one lock, so a
    // "config set" running at the same moment cannot undo this one.
    std::string problem;
    bool readsBack = true;
    const long written = registry_.Update([&](RegDocument& doc) {
        Settings settings;
        LoadSettings(settings, doc);
        problem = ApplySettingText(settings, *field, text);
        if (problem.empty()) readsBack = SaveAndCheck(settings, doc);
        return regerr::kSuccess;
    });
    if (!problem.empty()) {
        err_ << problem << '\n';
        return kExitUsage;
    }
    return WriteStatus(written, readsBack);
}

int ConfigCommand::WriteStatus(long written, bool readsBack) {
    if (written != regerr::kSuccess || !readsBack) {
        err_ << FormatText(Tr("could not write the settings to %s"),
                           EscapeControlChars(registry_.file().string()).c_str())
             << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

int ConfigCommand::Import(const std::filesystem::path& file, bool keepPasswords) {
    const auto bytes = ReadWholeFile(file);
    if (!bytes) {
        err_ << FormatText(Tr("cannot read %s"), EscapeControlChars(file.string()).c_str()) << '\n';
        return kExitUsage;
    }
    const auto text = DecodeExport(*bytes);
    RegParseReport report;
    RegDocument doc;
    if (text) doc = RegDocument::Parse(*text, &report);
    if (!text || !report.hasHeader) {
        err_ << FormatText(Tr("%s is not a registry export: it must begin with \"REGEDIT4\" or \"Windows Registry "
                              "Editor Version 5.00\""),
                           EscapeControlChars(file.string()).c_str())
             << '\n';
        return kExitUsage;
    }
    if (report.damagedLines > 0) {
        const auto damaged = static_cast<unsigned long>(report.damagedLines);
        err_ << FormatText(TrN("%1$s: line %2$lu cannot be read (%3$lu such line); nothing was imported",
                               "%1$s: line %2$lu cannot be read (%3$lu such lines); nothing was imported", damaged),
                           EscapeControlChars(file.string()).c_str(),
                           static_cast<unsigned long>(report.firstDamagedLine), damaged)
             << '\n';
        return kExitUsage;
    }
    Settings imported;
    if (doc.FindKey(FullKeyPath(Hive::CurrentUser, kSettingsKey))) {
        ReadSettingsFrom(imported, doc, kSettingsKey);
    } else if (doc.FindKey(FullKeyPath(Hive::CurrentUser, kSiblingKey))) {
        ReadSettingsFrom(imported, doc, kSiblingKey, "RemoteServer");
    } else {
        err_ << FormatText(Tr("%s holds no Zumaset settings: the key [%s] is missing"),
                           EscapeControlChars(file.string()).c_str(),
                           FullKeyPath(Hive::CurrentUser, kSettingsKey).c_str())
             << '\n';
        return kExitUsage;
    }
    // The passwords kept are read under the same lock as the write, so a
    // "config set" of a password running meanwhile is not undone.
    bool readsBack = true;
    const long written = registry_.Update([&](RegDocument& stored) {
        if (keepPasswords) {
            Settings current;
            LoadSettings(current, stored);
            imported.Pass = current.Pass;
            imported.ProxyPass = current.ProxyPass;
            imported.MAPIPass = current.MAPIPass;
        }
        readsBack = SaveAndCheck(imported, stored);
        return regerr::kSuccess;
    });
    if (const int status = WriteStatus(written, readsBack); status != kExitOk) return status;
    out_ << FormatText(Tr("imported the settings from %s into %s"), EscapeControlChars(file.string()).c_str(),
                       EscapeControlChars(registry_.file().string()).c_str())
         << '\n';
    return ReportForeignFolders(imported);
}

int ConfigCommand::Export(const std::optional<std::filesystem::path>& file, bool windows) {
    Settings settings;
    LoadSettings(settings, registry_);
    RegDocument doc;
    SaveSettings(settings, doc);
    std::string text = doc.Serialize();
    std::string bytes;
    if (windows) {
        const std::string v5 = "Windows Registry Editor Version 5.00" + text.substr(text.find('\n'));
        const auto utf16 = Utf8ToUtf16Le(WindowsLineEnds(v5));
        if (!utf16) {
            err_ << Tr("the settings hold text that cannot be exported") << '\n';
            return kExitFailure;
        }
        bytes = "\xFF\xFE" + *utf16;
    } else {
        bytes = std::move(text);
    }
    if (!file) {
        out_ << bytes;
        return kExitOk;
    }
    if (const int rc = WriteFileAtomically(*file, bytes); rc != 0) {
        err_ << FormatText(Tr("cannot write %s: %s"), EscapeControlChars(file->string()).c_str(),
                           std::generic_category().message(rc).c_str())
             << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace zumaset
