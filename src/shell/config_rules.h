#pragma once

#include "core/settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// The small text rules of the configuration dialog, free of any widget.

// The word after the number of days: "den." for 1, "dny." for 2 to 4,
// "dní." for anything else (the trimmed text of DeleteDayInt).
std::string_view DayLabel(std::string_view dayText);

// What the folder-position preview shows for a position of 0 to 3: the
// source folder in lower case followed by the folder levels with KOD_CU at
// that position. Nothing for any other text (the preview then stays).
std::optional<std::string> PositionPreview(std::string_view sourcePath, std::string_view positionText);

// The six folder fields in the order of their browse buttons.
inline constexpr std::string_view kFolderFields[] = {"SourcePath", "RetValPath", "ArchivPath",
                                                     "LogsPath",   "ErrLogPath", "ConLogPath"};

// What the dialog proposes where the record holds nothing: the texts a field
// shows at first and the folders an emptied folder field falls back to.
// The folders sit in the user's home ("~/Zumaset/..." expanded).
struct ConfigProposals {
    explicit ConfigProposals(std::string_view home);

    // The design text of a text box ("" for a field that has none).
    std::string DesignText(std::string_view field) const;
    // The folder an emptied folder field falls back to when the record holds none.
    std::string FolderFallback(std::string_view field) const;

private:
    std::string zumaset_; // home + "/Zumaset"
};

// The text a field is given when it loses the focus, or nothing when it stays.
// Covers the number fields (CuPosition, FileNamePos, TimeInterval,
// DeleteDayInt); folder fields and the delimiter have rules of their own.
std::optional<std::string> NumberTextOnLeaving(std::string_view field, std::string_view text);

// The number a numeric field is saved as: the text after the leaving rule
// (so an empty or broken field gives what leaving it would have given),
// then held to the field's range.
std::int64_t NumberForSaving(const FieldInfo& field, std::string_view text);

// True for the characters that cannot separate the parts of a file name.
bool IsForbiddenDelimiter(std::string_view text);

// Texts of the dialog's boxes; lines end with CR LF.
extern const std::string_view kNoDialUpEntryText;
extern const std::string_view kForbiddenDelimiterText;
extern const std::string_view kIncompleteProxyQuestion;
extern const std::string_view kAccountMissingText;
extern const std::string_view kNoOfficeText;
extern const std::string_view kIncompleteMailQuestion;
extern const std::string_view kServersMissingText;

} // namespace zumaset
