#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace zumaset {

// The only hive the client uses.
enum class Hive { CurrentUser };

// Registry value types the client reads and writes.
enum class RegType : std::uint32_t { Sz = 1, Dword = 4 };

// What QueryValue gives back: nothing, a text, or a 32-bit number.
using RegValue = std::variant<std::monostate, std::string, std::int32_t>;

// Result codes of the operations that return one (the Windows numbering).
namespace regerr {
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidData = 13;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kWriteFault = 29;
} // namespace regerr

// The thin layer every settings access goes through. Key paths are
// backslash-separated below the hive ("Software\RLK a.s.\Zumaset").
class Registry {
public:
    virtual ~Registry() = default;

    // Empty when the key or value is missing or of another type than REG_SZ/REG_DWORD.
    virtual RegValue QueryValue(Hive hive, std::string_view key, std::string_view name) = 0;
    // Writes a REG_SZ (value converted to text) or REG_DWORD (value converted to a
    // 32-bit number). The key must exist. Any other type writes nothing.
    virtual long SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value,
                          RegType type) = 0;
    virtual void CreateKey(Hive hive, std::string_view key) = 0;
    virtual bool KeyExists(Hive hive, std::string_view key) = 0;
    virtual long DeleteValue(Hive hive, std::string_view key, std::string_view name) = 0;
    // Removes a key with its values; a key that still has subkeys stays.
    virtual void DeleteKey(Hive hive, std::string_view key) = 0;
    // Removes every value of the key, then the key.
    virtual void DeleteKeyWithValues(Hive hive, std::string_view key) = 0;
};

} // namespace zumaset
