#include "core/settings_store.h"

#include "core/folder_path.h"
#include "core/text.h"

#include <charconv>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

namespace zumaset {

namespace {

// The scrambling key stream: a linear congruential generator modulo 32768.
constexpr int kScrambleSeed = 2718;
constexpr int kScrambleMultiplier = 1021;
constexpr int kScrambleIncrement = 7919;

int SymbolNumber(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c == '?') return 10;
    if (c == '@') return 11;
    if (c >= 'A' && c <= 'Z') return 12 + (c - 'A');
    if (c >= 'a' && c <= 'z') return 38 + (c - 'a');
    return -1;
}

char SymbolChar(int number) {
    if (number < 10) return static_cast<char>('0' + number);
    if (number == 10) return '?';
    if (number == 11) return '@';
    if (number < 38) return static_cast<char>('A' + (number - 12));
    return static_cast<char>('a' + (number - 38));
}

// A variant as text: numbers in decimal, nothing as the empty text.
std::string AsText(const RegValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* n = std::get_if<std::int32_t>(&value)) return std::to_string(*n);
    return {};
}

std::optional<std::int64_t> ParseWhole(std::string_view text) {
    const std::string trimmed = TrimBlanks(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    return ParseWholeNumber(digits);
}

// A variant as a number in [lo, hi]; nothing when it does not convert.
std::optional<std::int64_t> AsNumber(const RegValue& value, std::int64_t lo, std::int64_t hi) {
    std::optional<std::int64_t> number;
    if (std::holds_alternative<std::monostate>(value)) {
        number = 0;
    } else if (const auto* n = std::get_if<std::int32_t>(&value)) {
        number = *n;
    } else {
        number = ParseWhole(std::get<std::string>(value));
    }
    if (!number || *number < lo || *number > hi) return std::nullopt;
    return number;
}

std::optional<bool> AsBool(const RegValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        const std::string trimmed = TrimBlanks(*s);
        if (EqualsNoCase(trimmed, "True")) return true;
        if (EqualsNoCase(trimmed, "False")) return false;
    }
    auto number = AsNumber(value, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
    if (!number) return std::nullopt;
    return *number != 0;
}

} // namespace

std::string ScrambleText(std::string_view text) {
    std::string out(text);
    int k = kScrambleSeed;
    for (char& c : out) {
        const int v = SymbolNumber(static_cast<unsigned char>(c));
        if (v < 0) continue;
        k = (k * kScrambleMultiplier + kScrambleIncrement) % 32768;
        c = SymbolChar(v ^ (k % 64));
    }
    return out;
}

std::string NormaliseFolder(std::string_view path) {
    std::string out = TrimBlanks(path);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return WithTrailingSeparator(out);
}

bool ConvertIntoField(Settings& settings, const FieldInfo& field, const RegValue& value) {
    switch (field.kind) {
    case FieldKind::Text:
        settings.*std::get<std::string Settings::*>(field.member) = TrimBlanks(AsText(value));
        return true;
    case FieldKind::RawText: settings.*std::get<std::string Settings::*>(field.member) = AsText(value); return true;
    case FieldKind::Folder:
        settings.*std::get<std::string Settings::*>(field.member) = NormaliseFolder(AsText(value));
        return true;
    case FieldKind::Scrambled:
        settings.*std::get<std::string Settings::*>(field.member) = ScrambleText(TrimBlanks(AsText(value)));
        return true;
    case FieldKind::Bool:
    case FieldKind::BoolText: {
        const auto b = AsBool(value);
        if (!b) return false;
        settings.*std::get<bool Settings::*>(field.member) = *b;
        return true;
    }
    case FieldKind::Int16: {
        const auto n =
            AsNumber(value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max());
        if (!n) return false;
        settings.*std::get<std::int16_t Settings::*>(field.member) = static_cast<std::int16_t>(*n);
        return true;
    }
    case FieldKind::Int32: {
        const auto n =
            AsNumber(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
        if (!n) return false;
        settings.*std::get<std::int32_t Settings::*>(field.member) = static_cast<std::int32_t>(*n);
        return true;
    }
    }
    return false;
}

std::string FieldText(const Settings& settings, const FieldInfo& field) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& v = settings.*member;
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return v;
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? "true" : "false";
            } else {
                return std::to_string(v);
            }
        },
        field.member);
}

void ReadSettingsFrom(Settings& settings, Registry& registry, std::string_view key, std::string_view serverTxtValue) {
    for (const auto& field : SettingsFields()) {
        const std::string_view name = field.name == "ServerTxt" ? serverTxtValue : field.name;
        ConvertIntoField(settings, field, registry.QueryValue(Hive::CurrentUser, key, name));
    }
}

void LoadSettings(Settings& settings, Registry& registry) {
    ReadSettingsFrom(settings, registry, kSettingsKey);
}

void SaveSettings(const Settings& settings, Registry& registry) {
    if (!registry.KeyExists(Hive::CurrentUser, kSettingsKey)) registry.CreateKey(Hive::CurrentUser, kSettingsKey);
    for (const auto& field : SettingsFields()) {
        RegValue value;
        RegType type = RegType::Sz;
        switch (field.kind) {
        case FieldKind::Text:
        case FieldKind::RawText:
        case FieldKind::Folder: value = settings.*std::get<std::string Settings::*>(field.member); break;
        case FieldKind::Scrambled:
            value = ScrambleText(settings.*std::get<std::string Settings::*>(field.member));
            break;
        case FieldKind::Bool:
            value = std::int32_t{settings.*std::get<bool Settings::*>(field.member) ? -1 : 0};
            type = RegType::Dword;
            break;
        case FieldKind::BoolText:
            value = std::string(settings.*std::get<bool Settings::*>(field.member) ? "True" : "False");
            break;
        case FieldKind::Int16:
            value = std::int32_t{settings.*std::get<std::int16_t Settings::*>(field.member)};
            type = RegType::Dword;
            break;
        case FieldKind::Int32:
            value = settings.*std::get<std::int32_t Settings::*>(field.member);
            type = RegType::Dword;
            break;
        }
        registry.SetValue(Hive::CurrentUser, kSettingsKey, field.name, value, type);
    }
}

void MigrateSettings(Settings& settings, Registry& registry) {
    ReadSettingsFrom(settings, registry, kSiblingKey, "RemoteServer");
    SaveSettings(settings, registry);
    registry.DeleteKeyWithValues(Hive::CurrentUser, kSiblingKey);
    registry.DeleteKey(Hive::CurrentUser, kSiblingCompanyKey);
}

void ReloadProxyCredentials(Settings& settings, Registry& registry) {
    settings.ProxyUser = TrimBlanks(AsText(registry.QueryValue(Hive::CurrentUser, kSettingsKey, "ProxyUser")));
    settings.ProxyPass =
        ScrambleText(TrimBlanks(AsText(registry.QueryValue(Hive::CurrentUser, kSettingsKey, "ProxyPass"))));
}

} // namespace zumaset
