#pragma once

#include "core/failure_report.h"
#include "core/logs.h"
#include "core/process_launcher.h"

namespace zumaset {

// Opens the current file of a log with the desktop's viewer for text files,
// without waiting. A missing file is reported as "file not found" with the
// box shown whatever ShowErrMessage says; the detail is the path in double
// quotes, its folder upper-cased (the whole path for the error log).
// Called by the desktop client's log commands in the window and tray menus.
void ViewLog(LogKind kind, const Logs& logs, const FailureReporter& reporter, ProcessLauncher& launcher);

} // namespace zumaset
