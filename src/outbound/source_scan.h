#pragma once

#include "core/clock.h"
#include "core/failure_report.h"
#include "core/file_identity.h"
#include "core/logs.h"
#include "core/settings.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace zumaset {

// Receives each file to process: its folder path (ending with the separator),
// its bare name and the file the scan found there; the upload refuses any
// other file that the path leads to by the time it is opened.
using FileHandler =
    std::function<void(const std::string& folderPath, const std::string& fileName, const FileNode& found)>;

// How long a file must have been left alone before it is sent: a file
// modified less than this before the pass (or dated less than kFutureSlack
// ahead of it) is probably still being written and waits for the next pass.
inline constexpr std::chrono::seconds kSettleTime{5};
// A modification time this far or farther ahead of the clock comes from a
// wrong clock, not from a writer at work; such a file is not held back.
inline constexpr std::chrono::seconds kFutureSlack{60};

// True when a file modified at `modified` is still settling at `now`.
bool IsStillSettling(std::chrono::system_clock::time_point modified, std::chrono::system_clock::time_point now);

// Walks a folder depth first and hands every non-empty regular file to
// `workUpFile` while the folder is being listed, so a subfolder is finished
// before the next entry of its parent. Descends into subfolders unless
// SubDirIgnore is on; never enters RetValPath, nor ArchivPath when it lies
// below the start folder (its copies of sent files must not be sent again),
// nor a folder reached through a symbolic link (a link loop would never end).
// Folders are compared as the file system sees them (same device and inode),
// so "/./", ".." and links in the settings do not hide them.
// Not handed on: names beginning with "." (work files that their writer
// renames when done), files still settling (see kSettleTime), and symbolic
// links; a link to a file is reported in the error log and left alone, so a
// link never carries a file from elsewhere to the server. A folder that
// cannot be listed is reported and skipped. No sorting.
void SearchFiles(const Settings& settings, const Logs& logs, const FailureReporter& reporter, const Clock& clock,
                 std::string_view folderPath, const FileHandler& workUpFile);

} // namespace zumaset
