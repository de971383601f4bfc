#pragma once

#include <optional>
#include <string_view>

#include "core/clock.h"
#include "core/time_format.h"

namespace zumaset {

// Deletes the files matching pattern (a folder ending in "/" followed by a
// wildcard name, e.g. "/var/log/zumaset/*.log") whose last write lies at least
// days calendar-day boundaries (local dates) before the reference moment, or
// the clock's now when there is none. Only ordinary files count: folders,
// links and hidden dot-files are left alone. Stops at the first file whose time
// cannot be read or which cannot be deleted.
// True when at least one file matched and the pass ran to its end; false when
// nothing matched, the folder cannot be listed, or a file failed.
bool DeleteOldFiles(int days, std::string_view pattern, const Clock& clock,
                    std::optional<TimePoint> reference = std::nullopt) noexcept;

} // namespace zumaset
