#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/failure_report.h"
#include "core/logs.h"
#include "core/settings.h"

namespace zumaset {

// Receives each file to process: its folder path (ending with the separator)
// and its bare name.
using FileHandler = std::function<void(const std::string& folderPath, const std::string& fileName)>;

// Walks a folder depth first and hands every non-empty regular file to
// `workUpFile` while the folder is being listed, so a subfolder is finished
// before the next entry of its parent. Descends into subfolders unless
// SubDirIgnore is on; never enters RetValPath, nor ArchivPath when it lies
// below the start folder (its copies of sent files must not be sent again),
// nor a folder reached through a symbolic link (a link loop would never end).
// A folder that cannot be listed is reported and skipped. No sorting.
void SearchFiles(const Settings& settings, const Logs& logs, const FailureReporter& reporter,
                 std::string_view folderPath, const FileHandler& workUpFile);

} // namespace zumaset
