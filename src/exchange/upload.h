#pragma once

#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/settings.h"
#include "core/transfer_progress.h"
#include "exchange/cycle_events.h"
#include "exchange/dial_up_gate.h"
#include "exchange/file_encoder.h"
#include "exchange/sent_files.h"
#include "exchange/server_session.h"

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// What an upload works with. Everything is owned by the caller and outlives
// the call; the upload keeps nothing between calls.
struct UploadContext {
    ServerSession& session;
    const Settings& settings;
    const Logs& logs;
    const FailureReporter& reporter;
    CycleEvents& cycle;   // told of an accepted file and of awaited receipts
    SentFiles& sentFiles; // where an accepted file is recorded
    DialUpGate& dialUp;   // asked first when RASMode is on
    const Clock& clock;
    // Told how the file goes: its bytes sent, chunk by chunk. Null: nobody.
    TransferProgress* progress = nullptr;
};

// Uploads the file folderPath + sourceName as sendAs for the office cuCode:
// encodes it chunk by chunk while reading, posts every chunk with its
// checksum, judges each answer, and when all were accepted records the file
// and tells the cycle. Every failure is reported here;
// true only when the server accepted the whole file. Never throws. `expected`,
// when given, is the file the folder scan found: another file at the path is
// refused as a changed file. On success `readIdentity`, when given, holds the
// version of the file that was sent, so the caller can tell whether the file
// changed before it archives or deletes it.
bool SendFile(const UploadContext& context, std::string_view folderPath, std::string_view sourceName,
              std::string_view cuCode, std::string_view sendAs, const std::optional<FileNode>& expected = std::nullopt,
              FileIdentity* readIdentity = nullptr);

// Opens an outbound file for encoding; its kind is taken from the path. A file
// that cannot be opened, or that is not the `expected` file, is reported with
// its path (box with the stop icon, error log, mail) and gives nothing. An
// empty file gives a reader with size 0.
std::optional<FileChunker> LoadFile(const UploadContext& context, const std::string& path,
                                    const std::optional<FileNode>& expected = std::nullopt);

// The office value the XML kind sends: the folder below SourcePath (found
// without regard to case), with "\" between its parts as the server expects;
// empty for a file directly in SourcePath.
std::string XmlOfficeValue(std::string_view folderPath, std::string_view sourcePath);

// The page a chunk is posted to.
std::string_view UploadPage(FileKind kind, bool runMode);

} // namespace zumaset
