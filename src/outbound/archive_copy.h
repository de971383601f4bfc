#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zumaset {

// Outcome of a file step: 0 when it worked, else the code to report.
using FileStepResult = long;

// Copies folderPath + fileName to archivPath + relativeFolder + fileName,
// replacing an older copy of that name. The levels of relativeFolder are
// created below archivPath when missing; archivPath itself never is, so a
// missing archive folder makes the copy fail. A copy whose size differs from
// the source's counts as failed.
FileStepResult ArchiveCopy(std::string_view archivPath, std::string_view relativeFolder, std::string_view folderPath,
                           std::string_view fileName);

// Moves a sent file whose archive copy failed into keepRoot / relativeFolder,
// creating the folders, so that the only local copy is kept without being sent
// again. An existing file of the same name is never replaced: the moved file
// then gets ".1", ".2", ... appended. On success `movedTo` holds the new path.
FileStepResult KeepUnarchived(const std::filesystem::path& keepRoot, std::string_view relativeFolder,
                              std::string_view folderPath, std::string_view fileName, std::filesystem::path& movedTo);

} // namespace zumaset
