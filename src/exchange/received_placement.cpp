#include "exchange/received_placement.h"

#include "core/charset.h"
#include "core/folder_path.h"
#include "core/text.h"
#include "core/upper_case.h"
#include "core/utf8_slice.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace {

constexpr char kServerSeparator = '\\';
constexpr std::size_t kOfficeCodeLength = 8;
constexpr std::string_view kTvalMarker = "TVAL";

// A level of a server directory that becomes a local folder name.
bool IsSafeFolderLevel(std::string_view level) {
    return !level.empty() && level != "." && level != ".." && level.find(kPathSeparator) == std::string_view::npos &&
           !HasControlCharacter(level);
}

// Turns a relative folder given with `separator` between levels (and maybe
// after the last one) into local levels each followed by "/"; nothing when a
// level is not a plain folder name.
std::optional<std::string> LocalSubFolder(std::string_view relative, char separator) {
    std::string local;
    while (!relative.empty()) {
        const auto end = relative.find(separator);
        const std::string_view level = relative.substr(0, end);
        if (!IsSafeFolderLevel(level)) return std::nullopt;
        local.append(level);
        local += kPathSeparator;
        if (end == std::string_view::npos) break;
        relative.remove_prefix(end + 1);
    }
    return local;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

DownloadEntry SplitDownloadEntry(std::string_view entry) {
    const auto last = entry.rfind(kServerSeparator);
    if (last == std::string_view::npos) return {entry, {}, entry};
    return {entry, entry.substr(0, last + 1), entry.substr(last + 1)};
}

std::vector<std::string_view> SplitDownloadList(std::string_view list) {
    std::vector<std::string_view> entries;
    for (auto hash = list.find('#'); hash != std::string_view::npos; hash = list.find('#')) {
        if (hash > 0) entries.push_back(list.substr(0, hash));
        list.remove_prefix(hash + 1);
    }
    return entries;
}

bool IsSafeReceivedName(std::string_view name) {
    return IsSafeFolderLevel(name) && name.find(kServerSeparator) == std::string_view::npos;
}

std::optional<std::string> PlaceReceivedFile(const PlacementContext& context, std::string_view dir,
                                             std::string_view name) {
    const Settings& settings = context.settings;
    const auto dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1, 3);
    const std::string upperExt = ToUpperText(ext);

    if (upperExt == kInformationExtension) {
        std::string folder = WithTrailingSeparator(context.dataFolder);
        if (folder.empty()) return std::nullopt;
        context.mail.SendMailNotice(NoticeKind::Information,
                                    "Doručeno Info VAN Operatora : " + ToUpperText(folder + std::string(name)));
        return folder;
    }

    const std::string target = WithTrailingSeparator(settings.RetValPath);
    // Without an inbound folder a file would land wherever the process happens to run.
    if (target.empty()) return std::nullopt;
    // An entry without a directory has nothing to route by.
    if (dir.empty()) return target;

    const bool isXml = upperExt == "XML";
    const std::string lookupName = std::string(base) + (isXml ? ".XML" : ".???");

    if (isXml) {
        const std::string_view withoutLast = dir.substr(0, dir.size() - 1);
        if (withoutLast == settings.User) return target;
        const auto first = dir.find(kServerSeparator);
        const auto sub = LocalSubFolder(dir.substr(first + 1), kServerSeparator);
        if (!sub) return std::nullopt;
        return target + *sub;
    }

    const std::string_view trimmedDir = dir.substr(0, dir.size() - 1);
    std::string_view officeCode;
    if (ToUpperText(Utf8Suffix(trimmedDir, kTvalMarker.size())) != kTvalMarker) {
        officeCode = Utf8Suffix(trimmedDir, kOfficeCodeLength);
    }
    if (context.sentFiles.Empty()) return target;
    const RegisterRecord* record = context.sentFiles.FindSentRecord(officeCode, lookupName, settings.RunMode);
    if (record == nullptr) return target;
    // The inbound copy of the outbound sub-folder the sent file came from.
    const std::string pathName = TrimBlanks(record->PathName);
    const auto sub = LocalSubFolder(Utf8DropPrefix(pathName, Utf8Length(settings.SourcePath)), kPathSeparator);
    if (!sub) return std::nullopt;
    return target + *sub;
}

bool MakePath(std::string_view folder) {
    return MakePathError(folder) == 0;
}

int MakePathError(std::string_view folder) {
    const std::string path = WithTrailingSeparator(TrimBlanks(folder));
    if (path.empty()) return ENOENT;
    // The first character is the root (or the start of a relative path), never a level to create.
    for (auto slash = path.find(kPathSeparator, 1); slash != std::string::npos;
         slash = path.find(kPathSeparator, slash + 1)) {
        const std::string level = path.substr(0, slash + 1);
        if (IsFolder(level)) continue;
        if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    }
    // A file where a folder belongs: the folder cannot be made.
    return IsFolder(path) ? 0 : ENOTDIR;
}

int PrepareReceivedTarget(std::string_view folder, std::string_view name) {
    if (const int error = MakePathError(folder); error != 0) return error;
    const std::string path = std::string(folder) + std::string(name);
    const long nameMax = ::pathconf(std::string(folder).c_str(), _PC_NAME_MAX);
    if ((nameMax > 0 && name.size() > static_cast<std::size_t>(nameMax)) || path.size() >= PATH_MAX) {
        return ENAMETOOLONG;
    }
    return IsFolder(path) ? EISDIR : 0;
}

bool IsEntryStorageError(int error) {
    switch (error) {
    case 0:
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case ENOBUFS: return false;
    default: return true;
    }
}

} // namespace zumaset
