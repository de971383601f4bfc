#pragma once

#include <string>
#include <string_view>

namespace zumaset {

// A received file on its way to disk. The bytes go to a hidden temporary file
// in the target's folder, which replaces the target in one rename only when
// Commit succeeds; destroyed without a commit, the temporary file is removed.
// So an interrupted download never leaves a truncated or half-replaced file.
class PendingFile {
public:
    // Creates the temporary file for `folder` (ending with "/") + `name`.
    PendingFile(std::string_view folder, std::string_view name);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // False when the temporary file could not be created (see error()).
    bool IsOpen() const { return fd_ >= 0; }
    // Appends bytes; false on a write failure.
    bool Write(std::string_view bytes);
    // Flushes the file to disk and renames it over the target.
    bool Commit();

    // The errno value of the failure, 0 when there was none.
    int error() const { return error_; }
    const std::string& target() const { return target_; }

private:
    void Discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
};

} // namespace zumaset
