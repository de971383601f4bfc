#include "exchange/download.h"

#include "core/charset.h"
#include "core/folder_path.h"
#include "core/inet_error.h"
#include "core/message_table.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "core/trace_line.h"
#include "core/upper_case.h"
#include "core/utf8_slice.h"
#include "exchange/file_progress.h"
#include "exchange/pending_file.h"
#include "exchange/received_placement.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <system_error>
#include <variant>

namespace zumaset {

const ProxyLoopTrace kListTrace{20, "lngStatus(LIST)", false, 21, "LIST"};

namespace {

constexpr std::string_view kRoutine = "GetRemoteFile";
constexpr char kLetter = 'I';
constexpr std::string_view kFetchPage = "/secure/activex_download/download_down.asp";
constexpr std::string_view kAcknowledgePage = "/secure/activex_download/download_move.asp";
constexpr std::string_view kReturnsTo = "Návrat na TimerApp";
constexpr std::string_view kTimeoutText = "Operace přerušena - vypršel časový limit";
constexpr std::string_view kTooLargeText = "Operace přerušena - odpověď serveru je delší, než je povoleno";
constexpr std::string_view kScriptErrorText = "Chyba ASP pro stažení souboru";
constexpr std::string_view kNewFileBalloon = "Aplikace přijala nový soubor";
constexpr std::string_view kCannotStoreText = "Přijatý soubor nelze uložit";
constexpr long kScriptError = 500;
constexpr long kStatusOk = 200;
constexpr std::size_t kReadBufferSize = 2048;
// A fetched file's progress is told once per this many bytes received.
constexpr std::uint64_t kProgressStep = 64 * 1024;
constexpr std::size_t kXmlErrorNameLength = 14;

// Trace places of the read loop, for the list and for a fetch.
struct ReadLoopTags {
    int start;
    int pass;
    int timeout;
    int head;
    int length;
    int loop;
};
constexpr ReadLoopTags kListRead{26, 27, 28, 30, 31, 32};
constexpr ReadLoopTags kFetchRead{44, 45, 46, 47, 48, 49};

const ProxyLoopTrace kFetchTrace{38, "lngStatus(DOWN)", false, 39, "DOWN"};

// Server bytes shown in a log or trace line: Windows-1250 turned into UTF-8
// (bytes without a character there become "?"), control characters written
// as \xNN so that a line stays one line.
std::string Printable(std::string_view serverBytes) {
    std::string text;
    if (auto utf8 = Cp1250ToUtf8(serverBytes)) {
        text = std::move(*utf8);
    } else {
        for (const char c : serverBytes) text += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    }
    return EscapeControlChars(text);
}

// A read ends early on the time-out, or on a reply longer than allowed.
std::string_view ReadFailureText(InetError error) {
    return error == inet_error::kReplyTooLarge ? kTooLargeText : kTimeoutText;
}

bool IsXmlName(std::string_view name) {
    return ToUpperText(Utf8Suffix(name, 3)) == "XML";
}

enum class ReadOutcome { Complete, ReadFailed, StoreFailed };
enum class EntryOutcome { Next, EndPass };
// How the fetch of one file ended: read whole and checked; refused, cut short
// or with a damaged content (reported); not written here; or the pass ends.
enum class FetchOutcome { Fetched, NotFetched, StoreFailed, EndPass };

// One receive pass; the handles of the transfer close when it ends.
class ReceivePass {
public:
    explicit ReceivePass(DownloadContext& context)
        : c_(context), transfer_(context.session, kDownloadPreamble), placement_{context.settings, context.sentFiles,
                                                                                 context.mail, context.dataFolder} {}

    void Run(std::string& server);
    // The way out for any failure not foreseen by a report of its own: box and
    // error-log line, no session-log line, no e-mail.
    void GeneralError(long number, std::string_view description, std::string detail = {});

private:
    void Trace(int tag, std::string_view label, std::string_view value) const;
    void TraceEnd(int tag) const;
    bool Answered() const { return transfer_.lastSendOk() && transfer_.replied(); }
    void ReportSendFailure() const;
    void ReportFileFailure(long number, std::string_view text, std::string detail = {}) const;
    void ReportUnstorable(int error, std::string_view path, std::string_view name) const;
    EntryOutcome StorageFailed(int error, std::string_view path, std::string_view name);
    bool CredentialsConvert(std::string& user, std::string& password) const;
    void RefuseEntry(std::string_view entry, std::string_view shownName) const;
    ReadOutcome ReadLoop(const ReadLoopTags& tags, const std::function<bool(std::string_view)>& store,
                         InetError& error);
    std::optional<std::string> RequestList();
    // One list entry: placed, fetched into a temporary file, stored and acknowledged.
    EntryOutcome HandleEntry(std::string_view rawEntry);
    // Logs the entry and gives the folder its file goes to (made ready), or
    // the outcome when it is refused or cannot be stored.
    std::variant<std::string, EntryOutcome> Place(std::string_view rawEntry, const DownloadEntry& raw,
                                                  const std::optional<std::string>& name);
    // Requests the file and reads it into `file`, then checks an XML file's content.
    FetchOutcome Fetch(const std::string& body, PendingFile& file, const std::string& name);
    // Puts the fetched file in place, announces it and acknowledges it.
    EntryOutcome Store(std::optional<PendingFile>& file, const std::string& name, std::string_view body);
    // Removes the part written, then reports why it could not be stored.
    EntryOutcome DropFile(std::optional<PendingFile>& file, const std::string& name);
    void AnnounceStoredFile(std::string_view name) const;
    void Acknowledge(std::string_view body);

    DownloadContext& c_;
    ServerTransfer transfer_;
    PlacementContext placement_;
    long readPasses = 0; // read passes so far in this receive pass
};

void ReceivePass::Trace(int tag, std::string_view label, std::string_view value) const {
    if (!c_.settings.WriteDebugLog) return;
    c_.logs.WriteDebugTrace(TraceLine(kRoutine, kLetter, tag).Label(label).Values({value}));
}

void ReceivePass::TraceEnd(int tag) const {
    if (c_.settings.WriteDebugLog) c_.logs.WriteDebugTrace(TraceLine(kRoutine, kLetter, tag).End(kReturnsTo));
}

// The system-error report of a failed request (the transport's own words on
// the failure in brackets), then message 910 in the session log.
void ReceivePass::ReportSendFailure() const {
    c_.reporter.ReportTransportError(static_cast<long>(transfer_.lastError()), transfer_.lastErrorDetail());
    c_.logs.WriteLog(MessageText(msg::kFileNotSent), LogKind::Session);
}

// The failure report of one file: box, error-log line, message 911 in the
// session log, e-mail notice.
void ReceivePass::ReportFileFailure(long number, std::string_view text, std::string detail) const {
    std::string notice = CodeAndText(number, text);
    if (!detail.empty()) notice += "  " + detail;
    FailureReport report{number, std::string(text), std::move(detail), MessageIcon::Exclamation, std::move(notice)};
    report.beforeNotice = [this] { c_.logs.WriteLog(MessageText(msg::kFileNotDownloaded), LogKind::Session); };
    c_.reporter.ReportFailure(report);
}

// The local path a storage failure names, in double quotation marks.
std::string QuotedPath(std::string_view path) {
    return Quoted(EscapeControlChars(path));
}

// A file that cannot be stored here (its name or folder cannot exist, no
// space, no right, a read-only or failing disk): reported with its local
// path, not acknowledged, and the next entry is fetched.
void ReceivePass::ReportUnstorable(int error, std::string_view path, std::string_view name) const {
    const std::string description = SystemErrorText(error);
    ReportFileFailure(error, std::string(kCannotStoreText) + (description.empty() ? "" : ": " + description),
                      QuotedPath(path));
    Trace(57, "Nebyl stažen soubor", name);
}

// A failure to store `path`: the entry is skipped, unless the failure is a
// limit of the process itself (open files, memory), which the next entry
// would meet alike; that one ends the pass.
EntryOutcome ReceivePass::StorageFailed(int error, std::string_view path, std::string_view name) {
    if (IsEntryStorageError(error)) {
        ReportUnstorable(error, path, name);
        return EntryOutcome::Next;
    }
    GeneralError(error, SystemErrorText(error), QuotedPath(path));
    return EntryOutcome::EndPass;
}

// The declarant's name and password as the list request sends them; a value
// without a Windows-1250 form is reported as the upload reports it.
bool ReceivePass::CredentialsConvert(std::string& user, std::string& password) const {
    auto wireUser = Utf8ToCp1250(c_.settings.User);
    auto wirePassword = Utf8ToCp1250(c_.settings.Pass);
    if (wireUser && wirePassword) {
        user = std::move(*wireUser);
        password = std::move(*wirePassword);
        return true;
    }
    // The password itself stays out of the logs.
    const std::string detail = wireUser ? std::string("Heslo") : "JmenoDeklaranta \"" + c_.settings.User + "\"";
    FailureReport report{kNoCodePageForm, std::string(kNoCodePageText), detail, MessageIcon::Exclamation,
                         CodeAndText(kNoCodePageForm, kNoCodePageText) + "  " + detail};
    report.beforeNotice = [this] { c_.logs.WriteLog(MessageText(msg::kFileNotSent), LogKind::Session); };
    c_.reporter.ReportFailure(report);
    return false;
}

void ReceivePass::GeneralError(long number, std::string_view description, std::string detail) {
    std::string traced = std::to_string(number) + "  " + std::string(description);
    if (!detail.empty()) traced += "  " + detail;
    c_.reporter.ReportFailure(
        FailureReport{number, std::string(description), std::move(detail), MessageIcon::Exclamation, std::nullopt});
    if (c_.settings.WriteDebugLog) {
        c_.logs.WriteDebugTrace(TraceLine(kRoutine, kLetter, 59).Label("ERROR").Values({traced}));
    }
    TraceEnd(60);
    transfer_.InetClose();
}

// A list entry that would put a file outside its folder (or that cannot be
// read at all) is neither fetched nor acknowledged; the rest of the list goes on.
void ReceivePass::RefuseEntry(std::string_view entry, std::string_view shownName) const {
    c_.logs.WriteLog("[" + std::to_string(msg::kFileNotDownloaded) +
                         "] *** Soubor ze serveru odmítnut - nepřípustný název nebo adresář: \"" + Printable(entry) +
                         "\"",
                     LogKind::Error);
    c_.logs.WriteLog(MessageText(msg::kFileNotDownloaded), LogKind::Session);
    Trace(57, "Nebyl stažen soubor", shownName);
}

// Reads the reply of the current request in pieces of at most 2048 bytes and
// hands each to `store`. A read that fails (the receive time-out among others)
// leaves its error number in `error`.
ReadOutcome ReceivePass::ReadLoop(const ReadLoopTags& tags, const std::function<bool(std::string_view)>& store,
                                  InetError& error) {
    InternetRequest& request = *transfer_.request();
    request.SetReceiveTimeout(c_.session.receiveTimeout());
    bool doLoop = true;
    Trace(tags.start, "Case 200 boolDoLoop", TraceBool(doLoop));
    std::array<char, kReadBufferSize> readBuffer{};
    std::uint64_t length = 0;
    while (doLoop) {
        ++readPasses;
        Trace(tags.pass, "While  Poradi pruchodu", std::to_string(readPasses));
        readBuffer.fill('\0');
        const auto read = request.ReadFile(readBuffer);
        if (!read) {
            error = request.LastError();
            Trace(tags.timeout, "While - vypršel TIMEOUT", std::to_string(error));
            return ReadOutcome::ReadFailed;
        }
        const std::string_view bytes(readBuffer.data(), *read);
        if (!store(bytes)) return ReadOutcome::StoreFailed;
        length += bytes.size();
        Trace(tags.head, "While LEFT strReadBuffer", Printable(bytes.substr(0, 5)) + " ...");
        Trace(tags.length, "While LEN strBuffer", std::to_string(length));
        if (bytes.empty()) doLoop = false;
        Trace(tags.loop, "While boolDoLoop", TraceBool(doLoop));
    }
    return ReadOutcome::Complete;
}

void ReceivePass::Run(std::string& server) {
    const Settings& settings = c_.settings;
    if (settings.WriteDebugLog) c_.logs.WriteDebugTrace(TraceLine(kRoutine, kLetter, 1).Start());
    if (settings.RASMode && !c_.dialUp.EnsureDialUpConnection()) return;
    // What an interrupted earlier pass left half-written goes first.
    RemoveStalePendingFiles(settings.RetValPath, true);
    RemoveStalePendingFiles(c_.dataFolder, false);

    switch (transfer_.RunPreamble(server)) {
    case PreambleResult::CannotConnect: return;
    case PreambleResult::ProxyLoopEnded: GeneralError(kProxyRefusedCode, kProxyRefusedText); return;
    case PreambleResult::Connected:
    case PreambleResult::NoConnection: // the list request then finds no connection and reports it
        break;
    }

    const std::optional<std::string> listText = RequestList();
    if (!listText) return;
    // Any other status counts as an empty list.
    if (listText->empty()) {
        Trace(35, "sGetFileStr(LIST)", "Nejsou soubory ke stažení");
        transfer_.InetClose();
        TraceEnd(58);
        return;
    }
    Trace(36, "sGetFileStr(LIST)", "Jsou soubory ke stažení");
    for (const std::string_view entry : SplitDownloadList(*listText)) {
        if (HandleEntry(entry) == EntryOutcome::EndPass) return;
    }
    transfer_.InetClose();
    TraceEnd(58);
}

// Asks for the list of files waiting on the server and reads it; nothing when
// the pass ends here (reported and closed). Any status but 200 gives an empty list.
std::optional<std::string> ReceivePass::RequestList() {
    const InternetRequest* list = transfer_.OpenRequest(kListPage);
    Trace(18, "hHttpOpenRequest(LIST)", HandleText(list));
    if (list == nullptr) {
        ReportSendFailure();
        Trace(34, "hHttpOpenRequest(LIST)", HandleText(list));
        transfer_.InetClose();
        return std::nullopt;
    }
    // The password is never traced.
    Trace(19, "strPostData(LIST)", c_.settings.User);
    std::string user;
    std::string password;
    if (!CredentialsConvert(user, password)) {
        transfer_.InetClose();
        return std::nullopt;
    }
    transfer_.AddFormHeaders();
    if (transfer_.SendRequest("JmenoDeklaranta=" + user + "&Heslo=" + password, kListTrace) ==
        SendResult::ProxyLoopEnded) {
        GeneralError(kProxyRefusedCode, kProxyRefusedText);
        return std::nullopt;
    }
    // Judged before the status: after a failed send the status left over is an earlier request's.
    if (!Answered()) {
        ReportSendFailure();
        Trace(33, "intRetVal(LIST)", "0");
        transfer_.InetClose();
        return std::nullopt;
    }
    std::string listText; // Windows-1250, as the server sent it
    if (transfer_.status() == kStatusOk) {
        InetError error = 0;
        const auto outcome = ReadLoop(
            kListRead,
            [&listText](std::string_view bytes) {
                listText.append(bytes);
                return true;
            },
            error);
        if (outcome != ReadOutcome::Complete) {
            const auto code = static_cast<long>(error);
            const auto text = ReadFailureText(error);
            c_.reporter.ReportFailure(
                FailureReport{code, std::string(text), {}, MessageIcon::Exclamation, CodeAndText(code, text)});
            transfer_.InetClose();
            TraceEnd(59);
            return std::nullopt;
        }
    }
    return listText;
}

EntryOutcome ReceivePass::HandleEntry(std::string_view rawEntry) {
    const DownloadEntry raw = SplitDownloadEntry(rawEntry);
    const auto name = Cp1250ToUtf8(raw.name);
    auto placed = Place(rawEntry, raw, name);
    if (const auto* outcome = std::get_if<EntryOutcome>(&placed)) return *outcome;
    const std::string& target = std::get<std::string>(placed);

    // The temporary file comes before the fetch, so that a folder that refuses
    // files (rights, a read-only disk) costs no download. It is removed on
    // every way out that does not store it.
    std::optional<PendingFile> file(std::in_place, target, *name);
    if (!file->IsOpen()) return StorageFailed(file->error(), file->target(), *name);

    // The values go back exactly as the server listed them.
    const std::string body =
        "Name=" + std::string(raw.name) + "&File=" + std::string(raw.entry) + "&Dir=" + std::string(raw.dir);
    switch (Fetch(body, *file, *name)) {
    case FetchOutcome::Fetched: return Store(file, *name, body);
    case FetchOutcome::NotFetched: Trace(57, "Nebyl stažen soubor", *name); return EntryOutcome::Next;
    case FetchOutcome::StoreFailed: return DropFile(file, *name);
    case FetchOutcome::EndPass: break;
    }
    return EntryOutcome::EndPass;
}

std::variant<std::string, EntryOutcome> ReceivePass::Place(std::string_view rawEntry, const DownloadEntry& raw,
                                                           const std::optional<std::string>& name) {
    const auto dir = Cp1250ToUtf8(raw.dir);
    const std::string shownName = name ? *name : Printable(raw.name);
    if (c_.settings.WriteLogFile) {
        c_.logs.WriteLog(MessageText(msg::kDownloadingFile) + "\"" + shownName + "\"", LogKind::Session);
    }

    std::optional<std::string> target;
    if (name && dir && IsSafeReceivedName(*name)) target = PlaceReceivedFile(placement_, *dir, *name);
    if (!target) {
        RefuseEntry(rawEntry, shownName);
        return EntryOutcome::Next;
    }
    // A file whose name or folder cannot be made here is not fetched at all;
    // a full disk or a file the rights refuse shows when the file is written.
    if (const int error = PrepareReceivedTarget(*target, *name); error != 0) {
        return StorageFailed(error, *target + *name, *name);
    }
    return std::move(*target);
}

FetchOutcome ReceivePass::Fetch(const std::string& body, PendingFile& file, const std::string& name) {
    // The file is under way from its request on; its end is told however the fetch ends.
    FileProgress progress(c_.progress, TransferState::Direction::Receiving, name, 0, kProgressStep);
    const InternetRequest* fetch = transfer_.OpenRequest(kFetchPage);
    Trace(37, "hHttpOpenRequest(DOWN)", HandleText(fetch));
    if (fetch == nullptr) {
        ReportSendFailure();
        transfer_.InetClose();
        return FetchOutcome::EndPass;
    }
    transfer_.AddFormHeaders();
    if (transfer_.SendRequest(body, kFetchTrace) == SendResult::ProxyLoopEnded) {
        GeneralError(kProxyRefusedCode, kProxyRefusedText);
        return FetchOutcome::EndPass;
    }
    if (!Answered()) {
        ReportSendFailure();
        transfer_.InetClose();
        return FetchOutcome::EndPass;
    }
    if (transfer_.status() == kScriptError) {
        ReportFileFailure(kScriptError, kScriptErrorText);
        Trace(53, "Case 200 - chyba ASP", std::to_string(kScriptError));
        transfer_.InetClose();
        return FetchOutcome::EndPass;
    }
    if (transfer_.status() != kStatusOk) {
        // A page that is missing or refused has no file to store: storing and
        // acknowledging an empty one would lose the real file on the server.
        ReportFileFailure(transfer_.status(),
                          "Server soubor nevydal - odpověď HTTP " + std::to_string(transfer_.status()));
        return FetchOutcome::NotFetched;
    }

    transfer_.request()->SetReplyLimit(MaxReceivedFileBytes(c_.settings));
    if (const auto announced = transfer_.request()->QueryReplyLength()) progress.SetTotal(*announced);
    std::uint64_t length = 0;
    char first = '\0';
    InetError error = 0;
    const auto outcome = ReadLoop(
        kFetchRead,
        [&](std::string_view bytes) {
            if (length == 0 && !bytes.empty()) first = bytes.front();
            length += bytes.size();
            if (!file.Write(bytes)) return false;
            progress.Done(length);
            return true;
        },
        error);
    if (outcome == ReadOutcome::StoreFailed) return FetchOutcome::StoreFailed;
    if (outcome == ReadOutcome::Complete) progress.Done(length, true);
    bool failed = false;
    if (outcome == ReadOutcome::ReadFailed) {
        ReportFileFailure(static_cast<long>(error), ReadFailureText(error));
        failed = true;
    }
    Trace(50, "Case 200 LEN strResponse", std::to_string(length));
    Trace(51, "Case 200 LEN strResponse", std::to_string(length));
    // A file already reported as cut short is not reported a second time for its content.
    if (!failed && IsXmlName(name) && (length == 0 || first != '<')) {
        const std::string shortName(Utf8Prefix(name, kXmlErrorNameLength));
        ReportFileFailure(kNoSystemErrorNumber, "V obsahu souboru " + shortName + "...}.xml je chyba");
        failed = true;
        Trace(52, "Case 200 - chyba souboru", shortName);
    }
    return failed ? FetchOutcome::NotFetched : FetchOutcome::Fetched;
}

EntryOutcome ReceivePass::Store(std::optional<PendingFile>& file, const std::string& name, std::string_view body) {
    if (!file->Commit()) return DropFile(file, name);
    AnnounceStoredFile(name);
    Acknowledge(body);
    return EntryOutcome::Next;
}

// The part written goes before the report, so that a full disk has room
// again for the log lines and the next file.
EntryOutcome ReceivePass::DropFile(std::optional<PendingFile>& file, const std::string& name) {
    const int storeError = file->error();
    const std::string path = file->target();
    file.reset();
    return StorageFailed(storeError, path, name);
}

void ReceivePass::AnnounceStoredFile(std::string_view name) const {
    if (c_.settings.ViewInfo) c_.view.ShowBalloon(kNewFileBalloon);
    Trace(54, "Stažen soubor", name);
    c_.view.IncrementGetCount();
    c_.view.AddActivity(LoadMessage(msg::kReceiveActivity, {{kPlaceholder, MessageText(msg::kFileDownloaded)}}), false);
    if (c_.settings.WriteLogFile) c_.logs.WriteLog(MessageText(msg::kFileDownloaded), LogKind::Session);
}

// Tells the server the file has arrived. Sent once, the reply not read and
// its status not judged: if it is lost, the file simply comes again.
void ReceivePass::Acknowledge(std::string_view body) {
    InternetRequest* move = transfer_.OpenRequest(kAcknowledgePage);
    Trace(55, "hHttpOpenRequest(MOVE)", HandleText(move));
    if (move == nullptr) return;
    transfer_.AddFormHeaders();
    move->SendRequest(body);
    if (const auto status = move->QueryStatusCode()) transfer_.RecordStatus(*status);
    Trace(56, "lngStatus(MOVE)", std::to_string(transfer_.status()));
}

} // namespace

std::string InformationFolder(const std::filesystem::path& data) {
    return WithTrailingSeparator(data.string());
}

void GetRemoteFile(DownloadContext& context, std::string server) {
    try {
        ReceivePass pass(context);
        try {
            pass.Run(server);
        } catch (const std::system_error& error) {
            pass.GeneralError(error.code().value(), error.what());
        } catch (const std::exception& error) {
            pass.GeneralError(0, error.what());
        } catch (...) {
            pass.GeneralError(0, {});
        }
    } catch (...) {
        // Reporting itself failed (out of memory): nothing more can be done in this pass.
    }
}

} // namespace zumaset
