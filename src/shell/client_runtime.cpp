#include "shell/client_runtime.h"

#include "core/message_table.h"
#include "core/old_files.h"
#include "core/settings_store.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "core/trace_line.h"
#include "exchange/download.h"
#include "exchange/upload.h"
#include "outbound/file_sender.h"
#include "outbound/work_up_file.h"
#include "shell/pass_lock.h"

#include <cerrno>
#include <exception>

namespace zumaset {

namespace {

constexpr std::string_view kStarted = "zahájeno.";
constexpr std::string_view kFinished = "dokončeno.";
constexpr std::string_view kOverdueNotice = "Po 20 minutách nebyly staženy doručenky k těmto souborům : ";
// The number of an unexpected error that ends a pass (a run-time error).
constexpr long kTickErrorNumber = 1;

// A listing error in the numbering the logs use for file errors.
long FileErrorNumber(const std::error_code& code) {
    switch (code.value()) {
    case EACCES:
    case EPERM: return fileerr::kAccessDenied;
    case ENOENT:
    case ENOTDIR: return fileerr::kPathNotFound;
    default: return code.value();
    }
}

// The send pass's uploads go to the server through SendFile.
class ServerFileSender final : public FileSender {
public:
    explicit ServerFileSender(const UploadContext& context) : context_(context) {}
    std::optional<FileIdentity> SendFile(const std::string& folderPath, const std::string& sourceName,
                                         const std::string& cuCode, const std::string& sendAs,
                                         const FileNode& expected) override {
        FileIdentity sent;
        if (!zumaset::SendFile(context_, folderPath, sourceName, cuCode, sendAs, expected, &sent)) return std::nullopt;
        return sent;
    }

private:
    const UploadContext& context_;
};

} // namespace

std::vector<std::string> MissingSettings(const Settings& s, PassKind kind) {
    std::vector<std::string> missing;
    if (s.User.empty()) missing.emplace_back("User");
    if (s.ServerTxt.empty() && s.ServerXml.empty()) missing.emplace_back("ServerTxt");
    if (kind != PassKind::Receive && s.SourcePath.empty()) missing.emplace_back("SourcePath");
    if (kind != PassKind::Send && s.RetValPath.empty()) missing.emplace_back("RetValPath");
    return missing;
}

ClientRuntime::ClientRuntime(Platform platform)
    : platform_(std::move(platform)), logs_(settings_, platform_.clock, platform_.paths.data),
      reporter_(settings_, logs_, platform_.boxes, platform_.mail, platform_.programName), model_(platform_.clock),
      dialUp_(platform_.makeDialUpGate(settings_, reporter_)) {}

ClientRuntime::~ClientRuntime() = default;

void ClientRuntime::StartUp() {
    LoadSettings(settings_, platform_.registry);
    OpenSession();
}

ReceiptRegister::Load ClientRuntime::LoadRegister() {
    if (registerLoaded_) return ReceiptRegister::Load::Loaded;
    const auto load = register_.LoadRegister(logs_);
    registerLoaded_ = load == ReceiptRegister::Load::Loaded;
    return load;
}

void ClientRuntime::ApplySettings(const Settings& settings) {
    settings_ = settings;
    OpenSession();
}

void ClientRuntime::ReloadSettings() {
    LoadSettings(settings_, platform_.registry);
}

void ClientRuntime::CloseSession() {
    if (session_) session_->Close();
}

// A new session takes the proxy credentials of the current settings.
std::string ClientRuntime::OpenSession() {
    session_.reset();
    session_ = std::make_unique<ServerSession>(platform_.transport, settings_, platform_.registry, logs_, reporter_);
    return session_->Open();
}

PassOutcome ClientRuntime::WithPassLocks(PassKind kind, const std::function<bool()>& pass) {
    using Status = PassOutcome::Status;
    const auto passLock = TryLockPasses(platform_.registryFile);
    if (!passLock) return {Status::SettingsBusy, {}};
    if (auto missing = MissingSettings(settings_, kind); !missing.empty()) {
        return {Status::SettingsMissing, std::move(missing)};
    }
    // Passes with other settings files may name the same outbound folder.
    const FolderLock folderLock(settings_.SourcePath);
    if (folderLock.state() == FolderLock::State::Busy) return {Status::FolderBusy, {}};
    switch (LoadRegister()) {
    case ReceiptRegister::Load::Loaded: break;
    case ReceiptRegister::Load::Busy: return {Status::RegisterBusy, {}};
    case ReceiptRegister::Load::Refused: return {Status::RegisterRefused, {}};
    }
    if (!pass()) return {Status::EndedEarly, {}};
    return {Status::Ran, {}};
}

PassOutcome ClientRuntime::RunPass(PassKind kind) {
    return WithPassLocks(kind, [this, kind] {
        switch (kind) {
        case PassKind::Send: SendPass(); break;
        case PassKind::Receive: ReceivePass(); break;
        case PassKind::Cycle: return FullPass();
        }
        return true;
    });
}

bool ClientRuntime::ShutDown() {
    return register_.Close();
}

void ClientRuntime::AddPassEntry(PassEntry entry) {
    const bool send = entry == PassEntry::SendStarted || entry == PassEntry::SendFinished;
    const bool started = entry == PassEntry::SendStarted || entry == PassEntry::ReceiveStarted;
    model_.AddActivity(LoadMessage(send ? msg::kSendActivity : msg::kReceiveActivity,
                                   {{kPlaceholder, started ? kStarted : kFinished}}));
}

void ClientRuntime::ExpireRegister() {
    register_.ExpireRegister(platform_.clock.Now());
}

void ClientRuntime::SearchSourceFolder() {
    UploadContext upload{*session_, settings_, logs_,           reporter_, events(),
                         register_, *dialUp_,  platform_.clock, &model_};
    ServerFileSender sender(upload);
    const std::filesystem::path unarchived = UnarchivedFolder(platform_.paths.data);
    const OutboundContext outbound{settings_, logs_, reporter_, model_, sender, unarchived, platform_.clock};
    zumaset::SearchSourceFolder(outbound);
}

void ClientRuntime::GetRemoteFile(const std::string& server) {
    DownloadContext download{*session_, settings_,      logs_,
                             reporter_, model_,         register_,
                             *dialUp_,  platform_.mail, InformationFolder(platform_.paths.data),
                             &model_};
    zumaset::GetRemoteFile(download, server);
}

void ClientRuntime::TrimActivity() {
    model_.TrimActivity();
}

void ClientRuntime::MailOverdueReceipts() {
    if (const auto overdue = register_.FindOverdueReceipts(platform_.clock.Now())) {
        platform_.mail.SendMailNotice(NoticeKind::MissingReceipt, std::string(kOverdueNotice) + *overdue);
    }
}

void ClientRuntime::DeleteOldLogs() {
    if (!settings_.DeleteLogFiles) return;
    const int days = LogDeletionDays(settings_.DeleteDayInt);
    DeleteOldFiles(days, logs_.Folder(LogKind::Session) + "*.log", platform_.clock);
    DeleteOldFiles(days, logs_.Folder(LogKind::Connection) + "*.log", platform_.clock);
}

void ClientRuntime::HangUp() {
    dialUp_->HangUp();
}

// The manual commands' routine fields are as the logs have always had them:
// the send's is one character short of the usual width.
void ClientRuntime::TraceManualSend() {
    if (!settings_.WriteDebugLog) return;
    logs_.WriteDebugTrace(
        TraceLine::WithVerbatimField("PopSend_Click       ", 'C', 1).Label("volá SearchFiles(ručně)").Text());
}

void ClientRuntime::TraceManualReceive() {
    if (!settings_.WriteDebugLog) return;
    logs_.WriteDebugTrace(
        TraceLine::WithVerbatimField("PopGet_Click         ", 'D', 1).Label("volá GetRemoteFile-ručně").Text());
}

void ClientRuntime::RunReceivePass(bool traceManual) {
    GetRemoteFile(settings_.ServerTxt);
    if (traceManual) TraceManualReceive();
    if (TrimBlanks(settings_.ServerTxt) != TrimBlanks(settings_.ServerXml)) GetRemoteFile(settings_.ServerXml);
}

void ClientRuntime::SendPass() {
    ExpireRegister();
    AddPassEntry(PassEntry::SendStarted);
    TraceManualSend();
    SearchSourceFolder();
    AddPassEntry(PassEntry::SendFinished);
}

void ClientRuntime::ReceivePass() {
    AddPassEntry(PassEntry::ReceiveStarted);
    RunReceivePass(true);
    AddPassEntry(PassEntry::ReceiveFinished);
}

bool ClientRuntime::FullPass() {
    try {
        ExpireRegister();
        AddPassEntry(PassEntry::SendStarted);
        SearchSourceFolder();
        AddPassEntry(PassEntry::SendFinished);
        AddPassEntry(PassEntry::ReceiveStarted);
        RunReceivePass(false);
        AddPassEntry(PassEntry::ReceiveFinished);
        TrimActivity();
        MailOverdueReceipts();
        DeleteOldLogs();
        return true;
    } catch (...) {
        const PassError error = DescribeCurrentException();
        ReportTickError(error.number, error.description, error.detail);
    }
    return false;
}

// How the timer tick ends on an error: a box when ShowErrMessage is on, the
// error-log line and, with the debug log on, the error and end traces.
void ClientRuntime::ReportTickError(long number, const std::string& description, const std::string& detail) {
    FailureReport report;
    report.number = number;
    report.text = description;
    report.detail = detail;
    reporter_.ReportFailure(report);
    if (settings_.WriteDebugLog) {
        const std::string error = detail.empty() ? description : description + "  " + detail;
        logs_.WriteDebugTrace(TraceLine("TimerApp", 'B', 16).Label("ERROR").Error(number, error));
        logs_.WriteDebugTrace(TraceLine("TimerApp", 'B', 17).End());
        logs_.WriteDebugTrace(TraceLine("", 'B', 18).Separator());
    }
}

PassError DescribeCurrentException() {
    try {
        throw;
    } catch (const FolderListingError& e) {
        const long number = FileErrorNumber(e.code());
        return {number, SystemErrorText(number), "\"" + e.folder() + "\""};
    } catch (const std::exception& e) {
        return {kTickErrorNumber, e.what(), {}};
    } catch (...) {
        return {kTickErrorNumber, "Neznámá chyba", {}};
    }
}

} // namespace zumaset
