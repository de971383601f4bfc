#include "core/registry_document.h"

#include "core/charset.h"
#include "core/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>

namespace zumaset {

namespace {

constexpr std::string_view kHeaderV4 = "REGEDIT4";
constexpr std::string_view kHeaderV5 = "Windows Registry Editor Version 5.00";

// True when `path` lies below `parent` (not equal to it).
bool IsBelow(std::string_view path, std::string_view parent) {
    return path.size() > parent.size() + 1 && path[parent.size()] == '\\' &&
           EqualsNoCase(path.substr(0, parent.size()), parent);
}

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

// Reads a quoted text starting at text[pos] == '"'. On success pos is left
// just past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c == '\\') {
            if (++i >= text.size()) return std::nullopt;
            const char escaped = text[i];
            // An escaped control character has no written form the reader
            // takes back: keeping it would lose the value at the next rewrite.
            if (static_cast<unsigned char>(escaped) < 0x20 && escaped != '\t') return std::nullopt;
            switch (escaped) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: out += escaped; // \\ and \" stand for themselves
            }
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return std::nullopt;
        out += c;
    }
    return std::nullopt; // no closing quote
}

std::optional<std::uint32_t> ParseDword(std::string_view hex) {
    if (hex.empty() || hex.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    const auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (ec != std::errc() || ptr != hex.data() + hex.size()) return std::nullopt;
    return value;
}

// Parses the right-hand side of a value line. Returns false for a damaged one.
bool ParseData(std::string_view rhs, RegEntry& entry) {
    std::size_t pos = 0;
    if (!rhs.empty() && rhs.front() == '"') {
        auto text = ReadQuoted(rhs, pos);
        if (!text || TrimBlanks(rhs.substr(pos)).size() != 0 || !IsValidUtf8(*text)) return false;
        entry.kind = RegEntry::Kind::Sz;
        entry.text = std::move(*text);
        return true;
    }
    if (StartsWithNoCase(rhs, "dword:")) {
        auto value = ParseDword(TrimBlanks(rhs.substr(6)));
        if (!value) return false;
        entry.kind = RegEntry::Kind::Dword;
        entry.dword = *value;
        return true;
    }
    if (StartsWithNoCase(rhs, "hex")) {
        // Other types are kept as they stand, provided the text is plausible.
        const auto colon = rhs.find(':');
        if (colon == std::string_view::npos) return false;
        const bool plausible = std::all_of(rhs.begin() + static_cast<std::ptrdiff_t>(colon) + 1, rhs.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) || c == ',' || c == ' ';
        });
        if (!plausible) return false;
        entry.kind = RegEntry::Kind::Other;
        entry.raw = std::string(rhs);
        return true;
    }
    return false;
}

// One logical line and the number of the first physical line it came from.
struct LogicalLine {
    std::string text;
    std::size_t firstLine = 0;
};

// Reads the logical line starting at text[pos]: a line of hex data that ends in
// a backslash goes on in the next line, whose leading blanks are dropped. Moves
// pos past the line and counts the physical lines read in line_no.
LogicalLine NextLogicalLine(std::string_view text, std::size_t& pos, std::size_t& lineNo) {
    LogicalLine line;
    line.firstLine = lineNo + 1;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view part = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
        if (!line.text.empty()) part = part.substr(std::min(part.find_first_not_of(" \t"), part.size()));
        line.text += part;
        if (line.text.empty() || line.text.back() != '\\' || line.text.front() == '[') break;
        // a continuation only follows hex data, never a quoted text
        if (line.text.find("=hex") == std::string::npos) break;
        line.text.pop_back();
    }
    return line;
}

enum class KeyLine { Key, Deletion, Damaged };

// Parses a key line `[path]` (blanks already trimmed), giving the path.
// `[-path]` is an import file's deletion request: nothing to keep.
KeyLine ParseKeyLine(std::string_view view, std::string_view& path) {
    if (view.back() != ']' || view.size() < 3) return KeyLine::Damaged;
    path = view.substr(1, view.size() - 2);
    return path.front() == '-' ? KeyLine::Deletion : KeyLine::Key;
}

enum class ValueLine { Value, Deletion, Damaged };

// Parses a value line (`"name"=data` or `@=data`, blanks allowed around the
// '=') into entry. `name=-` is an import file's deletion request.
ValueLine ParseValueLine(std::string_view view, RegEntry& entry) {
    std::size_t p = 0;
    if (view.front() == '@') {
        p = 1;
    } else {
        auto name = ReadQuoted(view, p);
        if (!name || !IsValidUtf8(*name)) return ValueLine::Damaged;
        entry.name = std::move(*name);
    }
    std::string_view rest = view.substr(p);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.empty() || rest.front() != '=') return ValueLine::Damaged;
    rest.remove_prefix(1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest == "-") return ValueLine::Deletion;
    return ParseData(rest, entry) ? ValueLine::Value : ValueLine::Damaged;
}

// Adds the value to the key, replacing one of the same name (in any case).
void StoreValue(RegKey& key, RegEntry entry) {
    auto existing = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const RegEntry& e) { return EqualsNoCase(e.name, entry.name); });
    if (existing != key.values.end()) {
        *existing = std::move(entry);
    } else {
        key.values.push_back(std::move(entry));
    }
}

} // namespace

std::string FullKeyPath(Hive hive, std::string_view key) {
    (void)hive; // the current user's hive is the only one
    while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    std::string path = "HKEY_CURRENT_USER";
    if (!key.empty()) {
        path += '\\';
        path += key;
    }
    return path;
}

RegDocument RegDocument::Parse(std::string_view text, RegParseReport* report) {
    RegParseReport local;
    RegParseReport& rep = report ? *report : local;
    rep = {};
    RegDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    RegKey* current = nullptr;
    bool skippingDeletedKey = false;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    bool seenContent = false;
    auto damaged = [&](std::size_t n) {
        ++rep.damagedLines;
        if (rep.firstDamagedLine == 0) rep.firstDamagedLine = n;
    };

    while (pos < text.size()) {
        const LogicalLine line = NextLogicalLine(text, pos, lineNo);
        const std::string_view view = TrimView(line.text, " \t");
        if (view.empty() || view.front() == ';') continue;

        if (!seenContent) {
            seenContent = true;
            if (view == kHeaderV4 || view == kHeaderV5) {
                rep.hasHeader = true;
                continue;
            }
        }
        if (view.front() == '[') {
            std::string_view path;
            const KeyLine key = ParseKeyLine(view, path);
            if (key == KeyLine::Damaged) damaged(line.firstLine);
            skippingDeletedKey = key == KeyLine::Deletion;
            current = nullptr;
            if (key == KeyLine::Key) {
                current = doc.FindKeyMutable(path);
                if (current == nullptr) {
                    doc.keys_.push_back(RegKey{std::string(path), {}});
                    current = &doc.keys_.back();
                }
            }
            continue;
        }
        if (skippingDeletedKey) continue;

        RegEntry entry;
        const ValueLine kind = ParseValueLine(view, entry);
        // A value line outside any key is damaged whatever it holds.
        if (current == nullptr || kind == ValueLine::Damaged) {
            damaged(line.firstLine);
            continue;
        }
        if (kind == ValueLine::Deletion) continue;
        StoreValue(*current, std::move(entry));
    }
    return doc;
}

std::string RegDocument::Serialize() const {
    std::string out(kHeaderV4);
    out += "\n";
    for (const auto& key : keys_) {
        out += "\n[" + key.path + "]\n";
        for (const auto& value : key.values) {
            out += value.name.empty() ? std::string("@") : "\"" + Escape(value.name) + "\"";
            out += '=';
            switch (value.kind) {
            case RegEntry::Kind::Sz: out += "\"" + Escape(value.text) + "\""; break;
            case RegEntry::Kind::Dword: {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", value.dword);
                out += buf;
                break;
            }
            case RegEntry::Kind::Other: out += value.raw; break;
            }
            out += '\n';
        }
    }
    return out;
}

const RegKey* RegDocument::FindKey(std::string_view fullPath) const {
    auto it = std::find_if(keys_.begin(), keys_.end(), [&](const RegKey& k) { return EqualsNoCase(k.path, fullPath); });
    return it == keys_.end() ? nullptr : &*it;
}

RegKey* RegDocument::FindKeyMutable(std::string_view fullPath) {
    return const_cast<RegKey*>(std::as_const(*this).FindKey(fullPath));
}

bool RegDocument::HasSubkeys(std::string_view fullPath) const {
    return std::any_of(keys_.begin(), keys_.end(), [&](const RegKey& k) { return IsBelow(k.path, fullPath); });
}

RegValue RegDocument::QueryValue(Hive hive, std::string_view key, std::string_view name) {
    const RegKey* k = FindKey(FullKeyPath(hive, key));
    if (k == nullptr) return {};
    for (const auto& value : k->values) {
        if (!EqualsNoCase(value.name, name)) continue;
        switch (value.kind) {
        case RegEntry::Kind::Sz: return value.text;
        case RegEntry::Kind::Dword: return static_cast<std::int32_t>(value.dword);
        case RegEntry::Kind::Other: return {};
        }
    }
    return {};
}

long RegDocument::SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value,
                           RegType type) {
    RegKey* k = FindKeyMutable(FullKeyPath(hive, key));
    if (k == nullptr) return regerr::kFileNotFound;
    RegEntry entry;
    entry.name = std::string(name);
    if (type == RegType::Sz) {
        entry.kind = RegEntry::Kind::Sz;
        if (const auto* s = std::get_if<std::string>(&value)) {
            entry.text = *s;
        } else if (const auto* n = std::get_if<std::int32_t>(&value)) {
            entry.text = std::to_string(*n);
        }
    } else if (type == RegType::Dword) {
        entry.kind = RegEntry::Kind::Dword;
        if (const auto* n = std::get_if<std::int32_t>(&value)) {
            entry.dword = static_cast<std::uint32_t>(*n);
        } else if (const auto* s = std::get_if<std::string>(&value)) {
            const auto parsed = ParseWholeNumber(TrimBlanks(*s));
            if (!parsed || *parsed < std::numeric_limits<std::int32_t>::min() ||
                *parsed > std::numeric_limits<std::int32_t>::max())
                return regerr::kInvalidParameter;
            entry.dword = static_cast<std::uint32_t>(static_cast<std::int32_t>(*parsed));
        }
    } else {
        return regerr::kInvalidParameter;
    }
    auto existing =
        std::find_if(k->values.begin(), k->values.end(), [&](const RegEntry& e) { return EqualsNoCase(e.name, name); });
    if (existing != k->values.end()) {
        entry.name = existing->name; // keep the stored spelling
        *existing = std::move(entry);
    } else {
        k->values.push_back(std::move(entry));
    }
    return regerr::kSuccess;
}

void RegDocument::CreateKey(Hive hive, std::string_view key) {
    const std::string path = FullKeyPath(hive, key);
    if (FindKey(path) == nullptr) keys_.push_back(RegKey{path, {}});
}

bool RegDocument::KeyExists(Hive hive, std::string_view key) {
    const std::string path = FullKeyPath(hive, key);
    return FindKey(path) != nullptr || HasSubkeys(path);
}

long RegDocument::DeleteValue(Hive hive, std::string_view key, std::string_view name) {
    RegKey* k = FindKeyMutable(FullKeyPath(hive, key));
    if (k == nullptr) return regerr::kFileNotFound;
    auto it =
        std::find_if(k->values.begin(), k->values.end(), [&](const RegEntry& e) { return EqualsNoCase(e.name, name); });
    if (it == k->values.end()) return regerr::kFileNotFound;
    k->values.erase(it);
    return regerr::kSuccess;
}

void RegDocument::DeleteKey(Hive hive, std::string_view key) {
    const std::string path = FullKeyPath(hive, key);
    if (HasSubkeys(path)) return;
    std::erase_if(keys_, [&](const RegKey& k) { return EqualsNoCase(k.path, path); });
}

void RegDocument::DeleteKeyWithValues(Hive hive, std::string_view key) {
    if (RegKey* k = FindKeyMutable(FullKeyPath(hive, key))) k->values.clear();
    DeleteKey(hive, key);
}

} // namespace zumaset
