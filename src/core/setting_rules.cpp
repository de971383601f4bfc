#include "core/setting_rules.h"

#include "core/settings_store.h"
#include "core/text.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <optional>

namespace zumaset {

namespace {

struct Range {
    std::int64_t lo;
    std::int64_t hi;
};

// The limits the configuration dialog enforces through its fields.
Range NumberRange(const FieldInfo& field) {
    const std::string_view n = field.name;
    if (n == "TimeInterval") return {0, 300};
    if (n == "CuMode") return {0, 2};
    if (n == "CuPosition" || n == "FileNamePos") return {0, 99};
    if (n == "DeleteDayInt") return {1, std::numeric_limits<std::int32_t>::max()};
    if (field.kind == FieldKind::Int16) return {std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()};
    return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    }
    return false;
}

bool IsServerField(std::string_view name) {
    return name == "ServerTxt" || name == "ServerXml" || name == "ServerOne" || name == "ServerTwo";
}

// host or host:port, no blanks, no scheme, no path.
bool IsServerAddress(std::string_view text) {
    if (text.empty()) return true;
    if (text.find_first_of(" \t/\\@") != std::string_view::npos) return false;
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return true;
    if (colon == 0) return false;
    const auto port = ParseNumber(text.substr(colon + 1));
    return port && *port >= 1 && *port <= 65535;
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

std::string Problem(const FieldInfo& field, std::string_view text, std::string_view what) {
    return "invalid value '" + EscapeControlChars(text) + "' for " + std::string(field.name) + ": " +
           std::string(what) + "; accepted: " + AcceptedValues(field);
}

} // namespace

bool IsPasswordField(const FieldInfo& field) { return field.kind == FieldKind::Scrambled; }

std::string AcceptedValues(const FieldInfo& field) {
    const std::string_view n = field.name;
    switch (field.kind) {
    case FieldKind::Bool:
    case FieldKind::BoolText: return "true, false, 1 or 0";
    case FieldKind::Int16:
    case FieldKind::Int32: {
        const Range r = NumberRange(field);
        if (n == "DeleteDayInt") return "a whole number of days, 1 or more";
        return "a whole number from " + std::to_string(r.lo) + " to " + std::to_string(r.hi) +
               (n == "CuMode" ? " (0 list, 1 folder structure, 2 structured name)" : "");
    }
    case FieldKind::Folder: return "an absolute folder path (may start with ~/), or an empty text";
    case FieldKind::Scrambled: return "any text on one line ('-' reads it from standard input)";
    case FieldKind::RawText: return "one character other than \\ / : * ? \" < > |, or an empty text";
    case FieldKind::Text:
        if (IsServerField(n)) return "a host name or address, optionally followed by :port";
        if (n == "ProxyPort") return "a port number from 1 to 65535, or an empty text";
        if (n == "CuOption") return "entries 'abbreviations|code%' one after another, or an empty text";
        return "any text on one line";
    }
    return {};
}

std::string ApplySettingText(Settings& settings, const FieldInfo& field, std::string_view text) {
    if (HasControlCharacter(text)) return Problem(field, text, "control characters and line breaks are not allowed");
    const std::string_view n = field.name;
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
        const auto number = ParseNumber(TrimBlanks(text));
        const Range r = NumberRange(field);
        if (!number) return Problem(field, text, "not a whole number");
        if (*number < r.lo || *number > r.hi) return Problem(field, text, "out of range");
        if (field.kind == FieldKind::Int16) {
            settings.*std::get<std::int16_t Settings::*>(field.member) = static_cast<std::int16_t>(*number);
        } else {
            settings.*std::get<std::int32_t Settings::*>(field.member) = static_cast<std::int32_t>(*number);
        }
        return {};
    }
    case FieldKind::Folder: {
        const std::string path = ExpandHome(TrimBlanks(text));
        if (!path.empty() && path.front() != '/') return Problem(field, text, "not an absolute path");
        settings.*std::get<std::string Settings::*>(field.member) = NormaliseFolder(path);
        return {};
    }
    case FieldKind::RawText: {
        if (text.size() > 1) return Problem(field, text, "longer than one character");
        if (text.size() == 1 && std::string_view("\\/:*?\"<>|").find(text.front()) != std::string_view::npos) {
            return Problem(field, text, "this character cannot separate the parts of a file name");
        }
        settings.*std::get<std::string Settings::*>(field.member) = std::string(text);
        return {};
    }
    case FieldKind::Scrambled:
        settings.*std::get<std::string Settings::*>(field.member) = TrimBlanks(text);
        return {};
    case FieldKind::Text: {
        const std::string value = TrimBlanks(text);
        if (IsServerField(n) && !IsServerAddress(value)) return Problem(field, text, "not a server address");
        if (n == "ProxyPort" && !value.empty()) {
            const auto port = ParseNumber(value);
            if (!port || *port < 1 || *port > 65535) return Problem(field, text, "not a port number");
        }
        if (n == "CuOption" && !IsOfficeList(value)) return Problem(field, text, "not a customs office list");
        settings.*std::get<std::string Settings::*>(field.member) = value;
        return {};
    }
    }
    return Problem(field, text, "unknown kind of setting");
}

} // namespace zumaset
