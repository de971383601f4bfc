#include "core/setting_rules.h"

#include "core/host_port.h"
#include "core/mail_address.h"
#include "core/settings_store.h"
#include "core/text.h"
#include "core/translate.h"

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
        if (!IsServerAddress(value)) return Tr("not a server address");
        break;
    case FieldRule::Port:
        if (!IsPortOrEmpty(value)) return Tr("not a port number");
        break;
    case FieldRule::OfficeList:
        if (!IsOfficeList(value)) return Tr("not a customs office list");
        break;
    case FieldRule::Delimiter:
        if (value.size() > 1) return Tr("longer than one character");
        if (value.size() == 1 && std::string_view("\\/:*?\"<>|").find(value.front()) != std::string_view::npos) {
            return Tr("this character cannot separate the parts of a file name");
        }
        break;
    case FieldRule::Folder:
        if (!value.empty() && value.front() != '/') return Tr("not an absolute path");
        break;
    case FieldRule::MailServer:
        if (!value.empty() && !IsMailServerUrl(value)) return Tr("not an smtp:// or smtps:// server");
        break;
    case FieldRule::MailAddress:
        if (!value.empty() && !IsMailAddress(value)) return Tr("not an e-mail address");
        break;
    case FieldRule::None: break;
    }
    return nullptr;
}

std::string Problem(const FieldInfo& field, std::string_view text, std::string_view what) {
    return FormatText(Tr("invalid value '%s' for %s: %s; accepted: %s"), EscapeControlChars(text).c_str(),
                      std::string(field.name).c_str(), std::string(what).c_str(), AcceptedValues(field).c_str());
}

} // namespace

bool IsPasswordField(const FieldInfo& field) {
    return field.kind == FieldKind::Scrambled;
}

std::string AcceptedValues(const FieldInfo& field) {
    switch (field.kind) {
    case FieldKind::Bool:
    case FieldKind::BoolText: return Tr("true, false, 1 or 0");
    case FieldKind::Int16:
    case FieldKind::Int32: {
        const auto min = static_cast<long long>(field.min);
        std::string text =
            field.max == KindMaximum(field.kind) && field.min != KindMinimum(field.kind)
                ? FormatText(Tr("a whole number, %lld or more"), min)
                : FormatText(Tr("a whole number from %lld to %lld"), min, static_cast<long long>(field.max));
        if (!field.note.empty()) text += " (" + std::string(Tr(std::string(field.note).c_str())) + ")";
        return text;
    }
    case FieldKind::Scrambled: return Tr("any text on one line ('-' reads it from standard input)");
    case FieldKind::Text:
    case FieldKind::RawText:
    case FieldKind::Folder: break;
    }
    switch (field.rule) {
    case FieldRule::ServerAddress:
        return Tr("a host name or address (an IPv6 address in brackets), optionally followed by :port");
    case FieldRule::Port: return Tr("a port number from 1 to 65535, or an empty text");
    // xgettext:no-c-format
    case FieldRule::OfficeList: return Tr("entries 'abbreviations|code%' one after another, or an empty text");
    case FieldRule::Delimiter: return Tr("one character other than \\ / : * ? \" < > |, or an empty text");
    case FieldRule::Folder: return Tr("an absolute folder path (may start with ~/), or an empty text");
    case FieldRule::MailServer:
        return Tr("smtp://host:port (encrypted when the server offers STARTTLS) or smtps://host:port, or an empty "
                  "text");
    case FieldRule::MailAddress: return Tr("one e-mail address such as zumaset@example.cz, or an empty text");
    case FieldRule::None: break;
    }
    return Tr("any text on one line");
}

std::string ApplySettingText(Settings& settings, const FieldInfo& field, std::string_view text) {
    if (HasControlCharacter(text))
        return Problem(field, text, Tr("control characters and line breaks are not allowed"));
    switch (field.kind) {
    case FieldKind::Bool:
    case FieldKind::BoolText: {
        bool value;
        if (EqualsNoCase(text, "true") || text == "1") {
            value = true;
        } else if (EqualsNoCase(text, "false") || text == "0") {
            value = false;
        } else {
            return Problem(field, text, Tr("not a yes/no value"));
        }
        settings.*std::get<bool Settings::*>(field.member) = value;
        return {};
    }
    case FieldKind::Int16:
    case FieldKind::Int32: {
        const auto number = ParseWholeNumber(TrimBlanks(text));
        if (!number) return Problem(field, text, Tr("not a whole number"));
        if (*number < field.min || *number > field.max) return Problem(field, text, Tr("out of range"));
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
    return Problem(field, text, Tr("unknown kind of setting"));
}

} // namespace zumaset
