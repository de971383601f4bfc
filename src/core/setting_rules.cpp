#include "core/setting_rules.h"

#include "core/host_port.h"
#include "core/mail_address.h"
#include "core/settings_store.h"
#include "core/text.h"

#include <cstdlib>
#include <optional>

namespace zumaset {

namespace {

// Empty, or a server name the transport can connect to.
bool IsServerAddress(std::string_view text) {
    return text.empty() || ParseServerName(text).has_value();
}

bool IsPortOrEmpty(std::string_view text) {
    return text.empty() || ParsePort(text).has_value();
}

// Every entry is "abbreviations|code%"; a non-empty list ends in "%".
bool IsOfficeList(std::string_view text) {
    if (text.empty()) return true;
    if (text.back() != '%') return false;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('%', start);
        const std::string_view entry = text.substr(start, end - start);
        const auto bar = entry.find('|');
        if (bar == std::string_view::npos || entry.find('|', bar + 1) != std::string_view::npos) return false;
        if (TrimBlanks(entry.substr(0, bar)).empty() || TrimBlanks(entry.substr(bar + 1)).empty()) return false;
        start = end + 1;
    }
    return true;
}

std::string ExpandHome(std::string_view path) {
    if (path == "~" || path.starts_with("~/")) {
        const char* home = std::getenv("HOME");
        if (home != nullptr) return std::string(home) + std::string(path.substr(1));
    }
    return std::string(path);
}

// What is wrong with a text value under the rule, or nullptr when it passes.
const char* RuleViolation(FieldRule rule, std::string_view value) {
    switch (rule) {
    case FieldRule::ServerAddress:
        if (!IsServerAddress(value)) return "not a server address";
        break;
    case FieldRule::Port:
        if (!IsPortOrEmpty(value)) return "not a port number";
        break;
    case FieldRule::OfficeList:
        if (!IsOfficeList(value)) return "not a customs office list";
        break;
    case FieldRule::Delimiter:
        if (value.size() > 1) return "longer than one character";
        if (value.size() == 1 && std::string_view("\\/:*?\"<>|").find(value.front()) != std::string_view::npos) {
            return "this character cannot separate the parts of a file name";
        }
        break;
    case FieldRule::Folder:
        if (!value.empty() && value.front() != '/') return "not an absolute path";
        break;
    case FieldRule::MailServer:
        if (!value.empty() && !IsMailServerUrl(value)) return "not an smtp:// or smtps:// server";
        break;
    case FieldRule::MailAddress:
        if (!value.empty() && !IsMailAddress(value)) return "not an e-mail address";
        break;
    case FieldRule::None: break;
    }
    return nullptr;
}

std::string Problem(const FieldInfo& field, std::string_view text, std::string_view what) {
    return "invalid value '" + EscapeControlChars(text) + "' for " + std::string(field.name) + ": " +
           std::string(what) + "; accepted: " + AcceptedValues(field);
}

} // namespace

bool IsPasswordField(const FieldInfo& field) {
    return field.kind == FieldKind::Scrambled;
}

std::string AcceptedValues(const FieldInfo& field) {
    switch (field.kind) {
    case FieldKind::Bool:
    case FieldKind::BoolText: return "true, false, 1 or 0";
    case FieldKind::Int16:
    case FieldKind::Int32: {
        std::string text =
            field.max == KindMaximum(field.kind) && field.min != KindMinimum(field.kind)
                ? "a whole number, " + std::to_string(field.min) + " or more"
                : "a whole number from " + std::to_string(field.min) + " to " + std::to_string(field.max);
        if (!field.note.empty()) text += " (" + std::string(field.note) + ")";
        return text;
    }
    case FieldKind::Scrambled: return "any text on one line ('-' reads it from standard input)";
    case FieldKind::Text:
    case FieldKind::RawText:
    case FieldKind::Folder: break;
    }
    switch (field.rule) {
    case FieldRule::ServerAddress:
        return "a host name or address (an IPv6 address in brackets), optionally followed by :port";
    case FieldRule::Port: return "a port number from 1 to 65535, or an empty text";
    case FieldRule::OfficeList: return "entries 'abbreviations|code%' one after another, or an empty text";
    case FieldRule::Delimiter: return "one character other than \\ / : * ? \" < > |, or an empty text";
    case FieldRule::Folder: return "an absolute folder path (may start with ~/), or an empty text";
    case FieldRule::MailServer:
        return "smtp://host:port (encrypted when the server offers STARTTLS) or smtps://host:port, or an empty "
               "text";
    case FieldRule::MailAddress: return "one e-mail address such as zumaset@example.cz, or an empty text";
    case FieldRule::None: break;
    }
    return "any text on one line";
}

std::string ApplySettingText(Settings& settings, const FieldInfo& field, std::string_view text) {
    if (HasControlCharacter(text)) return Problem(field, text, "control characters and line breaks are not allowed");
    switch (field.kind) {
    case FieldKind::Bool:
    case FieldKind::BoolText: {
        bool value;
        if (EqualsNoCase(text, "true") || text == "1") {
            value = true;
        } else if (EqualsNoCase(text, "false") || text == "0") {
            value = false;
        } else {
            return Problem(field, text, "not a yes/no value");
        }
        settings.*std::get<bool Settings::*>(field.member) = value;
        return {};
    }
    case FieldKind::Int16:
    case FieldKind::Int32: {
        const auto number = ParseWholeNumber(TrimBlanks(text));
        if (!number) return Problem(field, text, "not a whole number");
        if (*number < field.min || *number > field.max) return Problem(field, text, "out of range");
        if (field.kind == FieldKind::Int16) {
            settings.*std::get<std::int16_t Settings::*>(field.member) = static_cast<std::int16_t>(*number);
        } else {
            settings.*std::get<std::int32_t Settings::*>(field.member) = static_cast<std::int32_t>(*number);
        }
        return {};
    }
    case FieldKind::Scrambled: settings.*std::get<std::string Settings::*>(field.member) = TrimBlanks(text); return {};
    case FieldKind::Text:
    case FieldKind::RawText:
    case FieldKind::Folder: {
        // The delimiter is kept exactly as typed: a blank is a valid one.
        std::string value = field.kind == FieldKind::RawText ? std::string(text) : TrimBlanks(text);
        if (field.rule == FieldRule::Folder) value = ExpandHome(value);
        if (const char* what = RuleViolation(field.rule, value)) return Problem(field, text, what);
        if (field.kind == FieldKind::Folder) value = NormaliseFolder(value);
        settings.*std::get<std::string Settings::*>(field.member) = std::move(value);
        return {};
    }
    }
    return Problem(field, text, "unknown kind of setting");
}

} // namespace zumaset
