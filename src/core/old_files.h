#pragma once

#include "core/clock.h"
#include "core/time_format.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace zumaset {

// A folder whose files could not be listed (not a missing one).
class FolderListingError : public std::system_error {
public:
    FolderListingError(std::error_code code, std::string folder)
        : std::system_error(code, folder), folder_(std::move(folder)) {}
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

// Deletes the files matching pattern (a folder ending in "/" followed by a
// wildcard name, e.g. "/var/log/zumaset/*.log") whose last write lies at least
// days calendar-day boundaries (local dates) before the reference moment, or
// the clock's now when there is none. Only ordinary files count: folders,
// links and hidden dot-files are left alone. Stops at the first file whose time
// cannot be read or which cannot be deleted.
// With days = 0 every matching file goes, today's included. A pattern
// without an absolute folder deletes nothing (false): it would name the
// working folder.
// True when at least one file matched and the pass ran to its end; false when
// nothing matched (a missing folder holds nothing) or a file failed.
// A folder that exists but cannot be listed throws FolderListingError: that
// ends the caller's pass through the caller's own error report.
bool DeleteOldFiles(int days, std::string_view pattern, const Clock& clock,
                    std::optional<TimePoint> reference = std::nullopt);

// The age in days from which old logs are deleted: DeleteDayInt, where a
// value below 1 counts as 30, as the configuration dialog has it.
int LogDeletionDays(int deleteDayInt);

} // namespace zumaset
