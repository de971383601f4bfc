#include "core/log_viewer.h"

#include "core/system_error_text.h"
#include "core/upper_case.h"

#include <filesystem>

namespace zumaset {

void ViewLog(LogKind kind, const Logs& logs, const FailureReporter& reporter, ProcessLauncher& launcher) {
    const std::string path = logs.LogPath(kind);
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        launcher.StartDetached({"xdg-open", path});
        return;
    }
    std::string shown;
    if (kind == LogKind::Error) {
        shown = ToUpperText(path);
    } else {
        const auto slash = path.rfind('/');
        const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
        shown = ToUpperText(path.substr(0, nameStart)) + path.substr(nameStart);
    }
    reporter.ReportSystemError(fileerr::kFileNotFound, "\"" + shown + "\"", BoxPolicy::Always);
}

} // namespace zumaset
