#include "outbound/source_scan.h"

#include "core/file_error.h"
#include "core/system_error_text.h"
#include "core/trace_line.h"
#include "core/unique_fd.h"
#include "outbound/path_helpers.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace {

constexpr std::string_view kRoutine = "SearchFiles";

// A folder as the file system knows it, whatever path leads to it.
struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderId&) const = default;
};

std::optional<FolderId> FolderIdOf(const struct stat& info) {
    if (!S_ISDIR(info.st_mode)) return std::nullopt;
    return FolderId{info.st_dev, info.st_ino};
}

// The folder a setting names, links followed; nothing when it is not there.
std::optional<FolderId> FolderIdOfSetting(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FolderIdOf(info);
}

std::chrono::system_clock::time_point ModifiedAt(const struct stat& info) {
    return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
}

long ListingErrorCode(int error) {
    // A folder that is not there is a missing path, not a missing file.
    return error == ENOENT ? fileerr::kPathNotFound : FileErrorCode(error);
}

// One send pass's walk; the folders never entered are worked out once.
class Walk {
public:
    Walk(const Settings& settings, const Logs& logs, const FailureReporter& reporter, const Clock& clock,
         const FileHandler& workUpFile)
        : settings_(settings), logs_(logs), reporter_(reporter), clock_(clock), workUpFile_(workUpFile),
          delivered_(FolderIdOfSetting(settings.RetValPath)), archive_(FolderIdOfSetting(settings.ArchivPath)) {}

    // Walks one folder: the start folder by its path, a subfolder by its name
    // in the open parent (`parentFd`), never through a link even when the
    // subfolder was swapped for one after it was listed.
    void Folder(std::string_view folderPath, int parentFd = -1, const char* name = nullptr) {
        const bool start = parentFd < 0;
        Trace(TraceLine{kRoutine, 'K', 1}.Start());
        const std::string folder = AddBackslash(folderPath);
        if (folder == settings_.RetValPath || (!start && folder == settings_.ArchivPath)) return;

        UniqueDir dir{start ? ::opendir(folder.c_str()) : OpenSubFolder(parentFd, name)};
        if (!dir) {
            reporter_.ReportSystemError(ListingErrorCode(errno), "");
        } else {
            const int folderFd = ::dirfd(dir.get());
            struct stat info {};
            if (::fstat(folderFd, &info) == 0) {
                const std::optional<FolderId> id = FolderIdOf(info);
                if (id && (id == delivered_ || (!start && id == archive_))) return;
            }
            while (const dirent* entry = ::readdir(dir.get())) Entry(folder, folderFd, *entry);
        }
        Trace(TraceLine{kRoutine, 'K', 4}.End("Návrat na Timer"));
    }

private:
    void Entry(const std::string& folder, int folderFd, const dirent& entry) {
        const std::string name = CutAtNul(entry.d_name);
        if (settings_.WriteDebugLog) {
            logs_.WriteDebugTrace(TraceLine{kRoutine, 'K', 2}.Label("sFileName-nalezeno").Values({name}));
        }
        if (name == "." || name == "..") return;
        if (entry.d_type == DT_DIR) {
            SubFolder(folderFd, folder, entry.d_name);
            return;
        }
        // An entry that vanished meanwhile, and anything that is not a regular
        // file or folder (a pipe would block the reading), is skipped.
        struct stat info {};
        if (::fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (S_ISLNK(info.st_mode)) {
            Link(folderFd, folder, entry.d_name);
        } else if (S_ISDIR(info.st_mode)) {
            SubFolder(folderFd, folder, entry.d_name);
        } else if (S_ISREG(info.st_mode)) {
            File(folder, name, info);
        }
    }

    void SubFolder(int folderFd, const std::string& folder, const char* name) {
        if (!settings_.SubDirIgnore) Folder(folder + name, folderFd, name);
    }

    static DIR* OpenSubFolder(int parentFd, const char* name) {
        UniqueFd fd(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd.valid()) return nullptr;
        DIR* dir = ::fdopendir(fd.get());
        if (dir == nullptr) {
            const int error = errno;
            fd.reset();
            errno = error;
            return nullptr;
        }
        fd.release(); // the listing owns it now
        return dir;
    }

    // A link to a file is reported and left; a link to a folder is not followed.
    void Link(int folderFd, const std::string& folder, const char* name) {
        struct stat target {};
        if (::fstatat(folderFd, name, &target, 0) != 0 || !S_ISREG(target.st_mode)) return;
        logs_.WriteLog("[" + std::to_string(kLinkNotFollowed) + "] *** " + FileErrorText(kLinkNotFollowed) + "  \"" +
                           folder + name + "\"",
                       LogKind::Error);
    }

    void File(const std::string& folder, const std::string& name, const struct stat& info) {
        if (info.st_size == 0 || name.front() == '.' || IsStillSettling(ModifiedAt(info), clock_.Now())) return;
        if (settings_.WriteDebugLog) {
            logs_.WriteDebugTrace(TraceLine{kRoutine, 'K', 3}.Label("Search volá WorkUpFile").Values({name}));
        }
        workUpFile_(folder, name, IdentityOf(info).node());
    }

    void Trace(const std::string& line) const {
        if (settings_.WriteDebugLog) logs_.WriteDebugTrace(line);
    }

    const Settings& settings_;
    const Logs& logs_;
    const FailureReporter& reporter_;
    // Read for every file: a long pass must not judge late files by its start.
    const Clock& clock_;
    const FileHandler& workUpFile_;
    const std::optional<FolderId> delivered_;
    const std::optional<FolderId> archive_;
};

} // namespace

bool IsStillSettling(std::chrono::system_clock::time_point modified, std::chrono::system_clock::time_point now) {
    return modified > now - kSettleTime && modified < now + kFutureSlack;
}

void SearchFiles(const Settings& settings, const Logs& logs, const FailureReporter& reporter, const Clock& clock,
                 std::string_view folderPath, const FileHandler& workUpFile) {
    Walk(settings, logs, reporter, clock, workUpFile).Folder(folderPath);
}

} // namespace zumaset
