#include "outbound/archive_copy.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "core/file_rename.h"
#include "core/system_error_text.h"
#include "outbound/file_error_code.h"
#include "outbound/path_helpers.h"

namespace fs = std::filesystem;

namespace zumaset {

namespace {

constexpr int kMaxSameNameSuffix = 1000;

// Copies and checks the copy's size against the source's.
FileStepResult CopyChecked(const fs::path& from, const fs::path& to, fs::copy_options options) {
    std::error_code error;
    const auto sourceSize = fs::file_size(from, error);
    if (error) return FileErrorCode(error.value());
    if (!fs::copy_file(from, to, options, error)) return FileErrorCode(error ? error.value() : EIO);
    const auto copySize = fs::file_size(to, error);
    if (error || copySize != sourceSize) return kFileIoError;
    return 0;
}

} // namespace

FileStepResult ArchiveCopy(std::string_view archivPath, std::string_view relativeFolder, std::string_view folderPath,
                           std::string_view fileName) {
    // Without an archive folder the copy would land relative to the working folder.
    if (archivPath.empty()) return fileerr::kPathNotFound;
    const std::string base(archivPath);
    for (std::size_t cut = relativeFolder.find(kPathSeparator); cut != std::string_view::npos;
         cut = relativeFolder.find(kPathSeparator, cut + 1)) {
        // An existing level is fine; a level that cannot be made shows in the copy.
        ::mkdir((base + std::string(relativeFolder.substr(0, cut + 1))).c_str(), 0777);
    }
    const fs::path target = base + std::string(relativeFolder);
    std::error_code error;
    if (!fs::is_directory(target, error)) return fileerr::kPathNotFound;
    return CopyChecked(std::string(folderPath) + std::string(fileName), target / std::string(fileName),
                       fs::copy_options::overwrite_existing);
}

FileStepResult KeepUnarchived(const fs::path& keepRoot, std::string_view relativeFolder, std::string_view folderPath,
                              std::string_view fileName, fs::path& movedTo) {
    const fs::path source = std::string(folderPath) + std::string(fileName);
    const fs::path folder = keepRoot / std::string(relativeFolder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return FileErrorCode(error.value());
    for (int suffix = 0; suffix <= kMaxSameNameSuffix; ++suffix) {
        const fs::path target =
            folder / (std::string(fileName) + (suffix == 0 ? std::string() : "." + std::to_string(suffix)));
        if (RenameNoReplace(source, target)) {
            movedTo = target;
            return 0;
        }
        if (errno == EXDEV) {
            // Another file system: copy (never over an existing name), then drop the source.
            if (fs::exists(fs::symlink_status(target, error))) continue;
            if (const FileStepResult copied = CopyChecked(source, target, fs::copy_options::none); copied != 0) {
                fs::remove(target, error);
                return copied;
            }
            if (!fs::remove(source, error)) {
                // Keep exactly one copy: the source stays, so the file is sent again.
                const long code = FileErrorCode(error ? error.value() : ENOENT);
                fs::remove(target, error);
                return code;
            }
            movedTo = target;
            return 0;
        }
        if (errno != EEXIST) return FileErrorCode(errno);
    }
    return FileErrorCode(EEXIST);
}

} // namespace zumaset
