#include "core/registry_file.h"

#include "core/atomic_file.h"
#include "core/file_lock.h"

#include <utility>

namespace zumaset {

namespace {

struct Loaded {
    RegDocument doc;
    RegParseReport report;
    std::string original;
};

Loaded Load(const std::filesystem::path& file) {
    Loaded loaded;
    if (auto content = ReadWholeFile(file)) {
        loaded.original = std::move(*content);
        loaded.doc = RegDocument::Parse(loaded.original, &loaded.report);
    }
    return loaded;
}

} // namespace

RegistryFile::RegistryFile(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path RegistryFile::LockPath() const {
    auto p = file_;
    p += ".lock";
    return p;
}

RegDocument RegistryFile::Snapshot() const {
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) return {};
    FileLock lock(LockPath(), FileLock::Mode::Shared);
    return Load(file_).doc;
}

template <typename Change> long RegistryFile::Modify(Change&& change) {
    std::error_code ec;
    if (file_.has_parent_path() && std::filesystem::create_directories(file_.parent_path(), ec)) {
        std::filesystem::permissions(file_.parent_path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
    }
    FileLock lock(LockPath(), FileLock::Mode::Exclusive);
    Loaded loaded = Load(file_);
    const std::string before = loaded.doc.Serialize();
    const long result = change(loaded.doc);
    const std::string after = loaded.doc.Serialize();
    if (after == before) return result;
    if (loaded.report.damagedLines > 0) {
        auto keep = file_;
        keep += ".damaged";
        WriteFileAtomically(keep, loaded.original);
    }
    if (WriteFileAtomically(file_, after) != 0) return regerr::kWriteFault;
    return result;
}

long RegistryFile::Update(const std::function<long(RegDocument&)>& change) {
    return Modify(change);
}

RegValue RegistryFile::QueryValue(Hive hive, std::string_view key, std::string_view name) {
    return Snapshot().QueryValue(hive, key, name);
}

long RegistryFile::SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value,
                            RegType type) {
    return Modify([&](RegDocument& doc) { return doc.SetValue(hive, key, name, value, type); });
}

void RegistryFile::CreateKey(Hive hive, std::string_view key) {
    Modify([&](RegDocument& doc) {
        doc.CreateKey(hive, key);
        return regerr::kSuccess;
    });
}

bool RegistryFile::KeyExists(Hive hive, std::string_view key) {
    return Snapshot().KeyExists(hive, key);
}

long RegistryFile::DeleteValue(Hive hive, std::string_view key, std::string_view name) {
    return Modify([&](RegDocument& doc) { return doc.DeleteValue(hive, key, name); });
}

void RegistryFile::DeleteKey(Hive hive, std::string_view key) {
    Modify([&](RegDocument& doc) {
        doc.DeleteKey(hive, key);
        return regerr::kSuccess;
    });
}

void RegistryFile::DeleteKeyWithValues(Hive hive, std::string_view key) {
    Modify([&](RegDocument& doc) {
        doc.DeleteKeyWithValues(hive, key);
        return regerr::kSuccess;
    });
}

std::filesystem::path DefaultRegistryPath(const Paths& paths) {
    return paths.config / "registry.reg";
}

} // namespace zumaset
