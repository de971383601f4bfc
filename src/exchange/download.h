#pragma once

#include "core/activity_sink.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/settings.h"
#include "core/transfer_progress.h"
#include "exchange/dial_up_gate.h"
#include "exchange/sent_files.h"
#include "exchange/server_session.h"

#include <filesystem>
#include <string>

namespace zumaset {

// The page that lists the files waiting for the declarant, and the trace
// places of its proxy loop.
inline constexpr std::string_view kListPage = "/secure/activex_download/download_list.asp";
extern const ProxyLoopTrace kListTrace;

// The client's data folder `data` as a folder text ending with "/": where
// information files of the operator are stored.
std::string InformationFolder(const std::filesystem::path& data);

// Everything one receive pass works with.
struct DownloadContext {
    ServerSession& session;
    const Settings& settings;
    const Logs& logs;
    const FailureReporter& reporter;
    ActivitySink& view;         // activity list, GetCount, tray balloon
    const SentFiles& sentFiles; // routes replies back to the sent file's sub-folder
    DialUpGate& dialUp;
    MailNotices& mail;      // information notices of operator files
    std::string dataFolder; // information files go here (InformationFolder)
    // Told how each fetched file goes: its bytes received. Null: nobody.
    TransferProgress* progress = nullptr;
};

// One receive pass against `server`: asks for the list of files waiting for
// the declarant, fetches each, stores it in the folder PlaceReceivedFile
// gives, counts and announces it, and acknowledges it so the server stops
// offering it. A file that is not stored is not acknowledged and comes again
// in the next pass. Entries whose name or directory would put a file outside
// its folder are refused with an error-log line; a file that cannot be stored
// (name, folder, space, rights, a read-only or failing disk) is reported with
// its local path and skipped, and the entries after it are still fetched.
// Every failure is reported here; nothing escapes.
void GetRemoteFile(DownloadContext& context, std::string server);

} // namespace zumaset
