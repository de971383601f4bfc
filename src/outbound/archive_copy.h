#pragma once

#include "core/file_identity.h"
#include "exchange/file_encoder.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zumaset {

// Outcome of a file step: 0 when it worked, else the code to report.
using FileStepResult = long;

// The result of ArchiveCopy when the source is no longer the version that was
// sent; nothing was archived then.
inline constexpr FileStepResult kSourceChanged = kFileChangedWhileReading;

// Copies folderPath + fileName to archivPath + relativeFolder + fileName. The
// levels of relativeFolder are created below archivPath when missing;
// archivPath itself never is, so a missing archive folder makes the copy fail.
// The source is opened without following a link and must be the version
// `sent` from the first byte to the last (else kSourceChanged). The copy is
// written to the work file ".fileName.zumaset-part" in the target folder,
// synced and only then given its name, so a failed copy never leaves a
// truncated file under that name. A work file left there by a copy that was
// killed is taken over and so goes; one that a running copy holds is waited
// for. An older file of that name is kept under its next numbered backup name
// ("name.~1~", ...), whose path `backup` receives when given. The copy keeps
// the source's permissions and modification time.
FileStepResult ArchiveCopy(std::string_view archivPath, std::string_view relativeFolder, std::string_view folderPath,
                           std::string_view fileName, const FileIdentity& sent,
                           std::filesystem::path* backup = nullptr);

// Removes the sent file folderPath + fileName when it is still the version
// `sent`: 0 when removed, kSourceChanged when the name no longer holds that
// version (nothing is removed then), else the code of the failure. The check
// and the removal are made in the same open folder, one right after the
// other, so a folder on the way swapped meanwhile cannot redirect the removal.
FileStepResult RemoveSent(std::string_view folderPath, std::string_view fileName, const FileIdentity& sent);

// Moves a sent file whose archive copy failed into keepRoot / relativeFolder,
// creating the folders, so that the only local copy is kept without being sent
// again. An existing file of the same name is never replaced: the moved file
// then gets ".1", ".2", ... appended. On success `movedTo` holds the new path.
FileStepResult KeepUnarchived(const std::filesystem::path& keepRoot, std::string_view relativeFolder,
                              std::string_view folderPath, std::string_view fileName, std::filesystem::path& movedTo);

} // namespace zumaset
