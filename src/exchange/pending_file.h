#pragma once

#include "core/unique_fd.h"

#include <string>
#include <string_view>

namespace zumaset {

// A received file on its way to disk. The bytes go to a hidden temporary file
// in the target's folder, which takes the target's name only when Commit
// succeeds; destroyed without a commit, the temporary file is removed. So an
// interrupted download never leaves a truncated or half-replaced file, and a
// file already under the target's name is never lost: it is kept under the
// next free numbered backup name ("name.~1~", "name.~2~", ...) unless it holds
// exactly the received bytes.
class PendingFile {
public:
    // Creates the temporary file for `folder` (ending with "/") + `name`.
    PendingFile(std::string_view folder, std::string_view name);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // False when the temporary file could not be created (see error()).
    bool IsOpen() const { return fd_.valid(); }
    // Appends bytes; false on a write failure.
    bool Write(std::string_view bytes);
    // Flushes the file to disk and gives it the target's name.
    bool Commit();

    // The errno value of the failure, 0 when there was none.
    int error() const { return error_; }
    const std::string& target() const { return target_; }
    // Where the file that had the target's name was kept; empty when there was
    // none (or it held the same bytes).
    const std::string& backup() const { return backup_; }

private:
    int Place();
    void Discard();

    std::string target_;
    std::string temp_;
    std::string backup_;
    UniqueFd fd_;
    int error_ = 0;
};

// True for the names PendingFile gives its temporary files.
bool IsPendingFileName(std::string_view name);

// Removes the temporary files an interrupted receive pass left in `folder`
// (and, when `recursive`, in its sub-folders; links are not followed). A
// temporary file another pass is still writing is locked and stays. Returns
// how many were removed; problems are ignored.
int RemoveStalePendingFiles(const std::string& folder, bool recursive);

} // namespace zumaset
