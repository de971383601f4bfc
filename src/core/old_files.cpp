#include "core/old_files.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <string>
#include <system_error>
#include <vector>

namespace zumaset {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ListingFailed(const std::error_code& error, const fs::path& folder) {
    throw FolderListingError(error, folder.string());
}

// Names of the ordinary, visible files in folder that match the wildcard
// name, in name order. A missing folder holds no files; any other listing
// failure throws.
std::vector<std::string> MatchingFiles(const fs::path& folder, const std::string& wildcard) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error == std::errc::no_such_file_or_directory) return {};
    if (error) ListingFailed(error, folder);
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) ListingFailed(error, folder);
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        std::error_code statusError;
        if (!it->is_regular_file(statusError) || it->is_symlink(statusError)) continue;
        if (::fnmatch(wildcard.c_str(), name.c_str(), FNM_PERIOD) == 0) names.push_back(name);
    }
    if (error) ListingFailed(error, folder);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

bool DeleteOldFiles(int days, std::string_view pattern, const Clock& clock, std::optional<TimePoint> reference) {
    const auto slash = pattern.rfind('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view{} : pattern.substr(0, slash + 1));
    const std::string wildcard(slash == std::string_view::npos ? pattern : pattern.substr(slash + 1));
    // Only an absolute folder: an empty or relative one would be the folder
    // the process happens to run in, whose files are not the logs'.
    if (folder.empty() || folder.front() != '/') return false;
    const auto names = MatchingFiles(fs::path(folder), wildcard);
    if (names.empty()) return false;
    try {
        const long referenceDay = LocalDayNumber(reference.value_or(clock.Now()));
        for (const std::string& name : names) {
            const fs::path file = folder + name;
            std::error_code error;
            const auto written = fs::last_write_time(file, error);
            if (error) return false;
            if (referenceDay - LocalDayNumber(FromFileTime(written)) >= days) {
                if (!fs::remove(file, error) || error) return false;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

int LogDeletionDays(int deleteDayInt) {
    return deleteDayInt < 1 ? 30 : deleteDayInt;
}

} // namespace zumaset
