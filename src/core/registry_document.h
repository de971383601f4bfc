#pragma once

#include "core/registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// One named value of a key. Values of types the client does not use
// (binary, expandable or multi-strings) are kept as their raw text so that
// rewriting the file does not lose them.
struct RegEntry {
    enum class Kind { Sz, Dword, Other };
    std::string name;
    Kind kind = Kind::Sz;
    std::string text;        // Sz
    std::uint32_t dword = 0; // Dword
    std::string raw;         // Other: everything right of "="
};

struct RegKey {
    std::string path; // full path with the hive, "HKEY_CURRENT_USER\Software\..."
    std::vector<RegEntry> values;
};

// What reading a registry text found besides the keys.
struct RegParseReport {
    bool hasHeader = false; // starts with a REGEDIT4 or version 5 line
    std::size_t damagedLines = 0;
    std::size_t firstDamagedLine = 0; // 1-based, 0 when none
};

// A registry held in memory, read from and written as REGEDIT4-style text
// (UTF-8). Key paths and value names compare without regard to ASCII case.
class RegDocument final : public Registry {
public:
    // Reads what it can; a damaged line is counted and skipped, never fatal.
    static RegDocument Parse(std::string_view utf8, RegParseReport* report = nullptr);
    std::string Serialize() const;

    const RegKey* FindKey(std::string_view fullPath) const;
    const std::vector<RegKey>& keys() const { return keys_; }

    RegValue QueryValue(Hive hive, std::string_view key, std::string_view name) override;
    long SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value, RegType type) override;
    void CreateKey(Hive hive, std::string_view key) override;
    bool KeyExists(Hive hive, std::string_view key) override;
    long DeleteValue(Hive hive, std::string_view key, std::string_view name) override;
    void DeleteKey(Hive hive, std::string_view key) override;
    void DeleteKeyWithValues(Hive hive, std::string_view key) override;

private:
    RegKey* FindKeyMutable(std::string_view fullPath);
    bool HasSubkeys(std::string_view fullPath) const;

    std::vector<RegKey> keys_;
};

// "HKEY_CURRENT_USER\" + key, with any leading or trailing backslash of key dropped.
std::string FullKeyPath(Hive hive, std::string_view key);

} // namespace zumaset
