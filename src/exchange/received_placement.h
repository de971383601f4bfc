#pragma once

#include "core/mail_notice.h"
#include "core/settings.h"
#include "exchange/sent_files.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// One entry of the server's download list, split at its last "\": `dir` is the
// entry up to and including that "\" (empty when there is none), `name` what
// follows it. The bytes are the server's, in whatever encoding it sent them.
struct DownloadEntry {
    std::string_view entry;
    std::string_view dir;
    std::string_view name;
};

DownloadEntry SplitDownloadEntry(std::string_view entry);

// The entries of a download list: the pieces between "#" separators, except
// the piece after the last "#" (empty in a well-formed list). Empty pieces
// name nothing and are left out, so "#" alone holds no entry.
std::vector<std::string_view> SplitDownloadList(std::string_view list);

// True when a received name can be stored as one file of a folder: not empty,
// not "." or "..", and without "/", "\" or control characters (NUL included).
bool IsSafeReceivedName(std::string_view name);

// The extension that marks an information file of the operator, compared in
// upper case with the three characters after the name's first ".".
inline constexpr std::string_view kInformationExtension = "RLK";

// What placing a received file consults.
struct PlacementContext {
    const Settings& settings;
    const SentFiles& sentFiles;
    MailNotices& mail;
    std::string dataFolder; // where information files go, ending with "/"
};

// The folder (ending with "/") a received file belongs in, given its server
// directory and name in UTF-8:
// - an information file (extension RLK in any case) goes to the data folder,
//   and an information e-mail notice announces it;
// - an entry without a directory goes to RetValPath;
// - a reply to a file in the register of sent files goes to RetValPath plus
//   the sub-folder below SourcePath the sent file was taken from;
// - an XML file goes to RetValPath when its directory is the declarant's own,
//   otherwise to RetValPath plus the directory without its first level.
// Nothing when the server directory would lead outside RetValPath (a "..",
// ".", empty level, "/" or control character in a level that becomes a
// folder), or when the folder it belongs in is not set; the caller refuses
// the file.
std::optional<std::string> PlaceReceivedFile(const PlacementContext& context, std::string_view dir,
                                             std::string_view name);

// Creates every missing level of an absolute folder path. True when the
// whole path exists as a folder afterwards.
bool MakePath(std::string_view folder);
// The same, giving the errno value of the failure (ENOTDIR for a file in the
// way), 0 when the folder exists.
int MakePathError(std::string_view folder);

// Creates `folder` as MakePath does and checks that a file `name` can be
// created in it: 0, or the errno value that creating it would fail with
// (ENAMETOOLONG for a name or path too long, EISDIR for a folder of that name).
int PrepareReceivedTarget(std::string_view folder, std::string_view name);

// True for errno values of a failure to store one received file: its name or
// folder cannot exist here, the disk is full, read-only or failing, the rights
// or a quota refuse it. False for 0 and for the process's own limits (open
// files, memory), which any file would meet alike.
bool IsEntryStorageError(int error);

} // namespace zumaset
