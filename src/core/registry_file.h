#pragma once

#include "core/paths.h"
#include "core/registry.h"
#include "core/registry_document.h"

#include <filesystem>
#include <functional>

namespace zumaset {

// The registry kept in a text file. Every operation reads the file under a
// shared lock; every change rewrites it atomically under an exclusive lock,
// mode 0600. Lines that cannot be read are skipped; before the first rewrite
// of such a file its original is kept beside it as "<name>.damaged" so that
// nothing a person typed is silently thrown away.
class RegistryFile final : public Registry {
public:
    explicit RegistryFile(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // The whole content as it is now (a missing or unreadable file reads as empty).
    RegDocument Snapshot() const;

    RegValue QueryValue(Hive hive, std::string_view key, std::string_view name) override;
    long SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value, RegType type) override;
    void CreateKey(Hive hive, std::string_view key) override;
    bool KeyExists(Hive hive, std::string_view key) override;
    long DeleteValue(Hive hive, std::string_view key, std::string_view name) override;
    void DeleteKey(Hive hive, std::string_view key) override;
    void DeleteKeyWithValues(Hive hive, std::string_view key) override;

    // Reads, changes and writes the file under one exclusive lock, so that no
    // other writer's change can fall between the read and the write (two
    // "config set" at once both survive). `change` works on the whole content
    // and returns a result code; the result is that code, or a write error code.
    long Update(const std::function<long(RegDocument&)>& change);

private:
    // Runs `change` on the current content and writes the result back when it
    // differs. Returns the change's own result, or a write error code.
    template <typename Change> long Modify(Change&& change);

    std::filesystem::path LockPath() const;

    std::filesystem::path file_;
};

// The registry file in the configuration folder.
std::filesystem::path DefaultRegistryPath(const Paths& paths);

} // namespace zumaset
