#pragma once

#include "core/activity_sink.h"
#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/settings.h"
#include "outbound/file_sender.h"

#include <filesystem>
#include <string>

namespace zumaset {

// What the send pass works with. `unarchivedFolder` receives sent files whose
// archive copy failed (the client passes UnarchivedFolder()); `clock`
// tells the scan which files are still being written.
struct OutboundContext {
    const Settings& settings;
    const Logs& logs;
    const FailureReporter& reporter;
    ActivitySink& view;
    FileSender& sender;
    std::filesystem::path unarchivedFolder;
    const Clock& clock;
};

// The sub-folder of the data folder that keeps sent files the archive refused.
std::filesystem::path UnarchivedFolder(const std::filesystem::path& dataFolder);

// Processes one file found by the scan: derives CuCode and SendAs, checks the
// code, holds back excluded endings and names whose SendAs holds "#" (the
// receipt list is "#"-separated; the error log says so), uploads the file and shows each step in
// the activity list. After an accepted upload it counts the file, archives a
// copy when ArchiveFiles is on and deletes the source; when the archive copy
// fails the source is moved to the unarchived folder instead of being deleted.
// A file that is held back or not sent stays where it is, and so does a file
// that is no longer the version the upload read (it is sent again next pass;
// the error log says so). `found` is the file the scan found at the path; the
// upload sends no other. Never throws.
void WorkUpFile(const OutboundContext& context, const std::string& folderPath, const std::string& fileName,
                const FileNode& found) noexcept;

// One send pass over SourcePath: SearchFiles handing each file to WorkUpFile.
void SearchSourceFolder(const OutboundContext& context);

} // namespace zumaset
