#include "outbound/source_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "core/system_error_text.h"
#include "core/trace_line.h"
#include "outbound/file_error_code.h"
#include "outbound/path_helpers.h"

namespace zumaset {

namespace {

constexpr std::string_view kRoutine = "SearchFiles";
constexpr std::string_view kFileModule = "advapi32.dll";

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// What an entry of the listing turned out to be.
enum class EntryKind { Skip, Folder, File };

// Reads the entry's type and size by name relative to the open folder. An
// entry that vanished meanwhile, a link to nowhere, and anything that is not
// a regular file or folder (a pipe would block the reading) is skipped.
EntryKind ClassifyEntry(int folderFd, const dirent& entry, bool& linked, off_t& size) {
    linked = entry.d_type == DT_LNK;
    if (entry.d_type == DT_DIR) return EntryKind::Folder;
    struct stat info {};
    if (entry.d_type == DT_UNKNOWN) {
        if (::fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Skip;
        linked = S_ISLNK(info.st_mode);
    }
    if (::fstatat(folderFd, entry.d_name, &info, 0) != 0) return EntryKind::Skip;
    if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
    if (!S_ISREG(info.st_mode)) return EntryKind::Skip;
    size = info.st_size;
    return EntryKind::File;
}

long ListingErrorCode(int error) {
    // A folder that is not there is a missing path, not a missing file.
    return error == ENOENT ? fileerr::kPathNotFound : FileErrorCode(error);
}

bool IsArchiveBelowSource(const Settings& settings, const std::string& folder) {
    return !settings.ArchivPath.empty() && folder == settings.ArchivPath &&
           folder != AddBackslash(settings.SourcePath);
}

} // namespace

void SearchFiles(const Settings& settings, const Logs& logs, const FailureReporter& reporter,
                 std::string_view folderPath, const FileHandler& workUpFile) {
    if (settings.WriteDebugLog) logs.WriteDebugTrace(TraceLine{kRoutine, 'K', 1}.Start());
    const std::string folder = AddBackslash(folderPath);
    if (folder == settings.RetValPath || IsArchiveBelowSource(settings, folder)) return;

    if (DirHandle dir{::opendir(folder.c_str())}; !dir) {
        reporter.ReportSystemError(ListingErrorCode(errno), "", kFileModule);
    } else {
        const int folderFd = ::dirfd(dir.get());
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = CutAtNul(entry->d_name);
            if (settings.WriteDebugLog) {
                logs.WriteDebugTrace(TraceLine{kRoutine, 'K', 2}.Label("sFileName-nalezeno").Values({name}));
            }
            if (name == "." || name == "..") continue;
            bool linked = false;
            off_t size = 0;
            switch (ClassifyEntry(folderFd, *entry, linked, size)) {
            case EntryKind::Folder:
                if (!settings.SubDirIgnore && !linked) SearchFiles(settings, logs, reporter, folder + name, workUpFile);
                break;
            case EntryKind::File:
                if (size == 0) break;
                if (settings.WriteDebugLog) {
                    logs.WriteDebugTrace(TraceLine{kRoutine, 'K', 3}.Label("Search volá WorkUpFile").Values({name}));
                }
                workUpFile(folder, name);
                break;
            case EntryKind::Skip:
                break;
            }
        }
    }
    if (settings.WriteDebugLog) logs.WriteDebugTrace(TraceLine{kRoutine, 'K', 4}.End("Návrat na Timer"));
}

} // namespace zumaset
