#pragma once

#include "core/registry_file.h"
#include "core/settings.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zumaset {

// The settings editor of the command-line companion. Each returns an exit
// status; results go to `out`, one-line errors to `err`. A failed command
// changes nothing.
class ConfigCommand {
public:
    ConfigCommand(RegistryFile& registry, std::ostream& out, std::ostream& err)
        : registry_(registry), out_(out), err_(err) {}

    int Show(bool showPasswords);
    int Get(const std::string& name, bool showPasswords);
    // A value of "-" for a password is read as one line from `in`, so it stays
    // out of the shell history and the process list.
    int Set(const std::string& name, const std::string& value, std::istream& in);
    int Import(const std::filesystem::path& file, bool keepPasswords);
    int Export(const std::optional<std::filesystem::path>& file, bool windows);

private:
    // Writes the whole record as the configuration dialog would, under the
    // registry's lock, and checks that it reads back the same.
    // The exit status of a write: the file's result code and the read-back check.
    int WriteStatus(long written, bool readsBack);
    // Names every imported folder written for Windows with the command that
    // fixes it; exit status 1 when there is one.
    int ReportForeignFolders(const Settings& imported);

    RegistryFile& registry_;
    std::ostream& out_;
    std::ostream& err_;
};

// The folder settings that hold a Windows folder (a drive letter or a
// network share), which cannot work on this machine.
std::vector<std::string> WindowsFolderSettings(const Settings& settings);

// Names of every setting, comma-separated (for error texts and help).
std::string SettingNames();

} // namespace zumaset
