#include "exchange/upload.h"

#include "core/charset.h"
#include "core/inet_error.h"
#include "core/message_table.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "core/trace_line.h"
#include "core/upper_case.h"
#include "exchange/body_text.h"
#include "exchange/crc32.h"
#include "exchange/date_bt.h"
#include "exchange/file_progress.h"
#include "exchange/upload_form.h"
#include "zumaset/version.h"

#include <filesystem>
#include <new>
#include <utility>

namespace zumaset {

namespace {

constexpr std::string_view kBackToWorkUpFile = "Návrat na WorkUpFile";
constexpr std::string_view kBackToSendFile = "Návrat na SendFile";
constexpr std::string_view kStatus500Text = "Chyba přijímací ASP";
constexpr std::string_view kUnspecifiedText = "Nespecifikovaná chyba !!!";
constexpr long kOutOfMemory = 7;
constexpr std::string_view kOutOfMemoryText = "Nedostatek paměti.";

// The server's one-word refusals and the messages they stand for, in the
// order they are compared. "CHYBA ID" is a refusal only for the XML kind.
struct Refusal {
    std::string_view body;
    int message;
    bool xmlOnly;
};
constexpr Refusal kRefusals[] = {
    {"CHYBA ID", msg::kDeclarantUnknown, true},
    {"CHYBA SQL", msg::kSqlError, false},
    {"CHYBA VERZE KLIENTA", msg::kWrongClientVersion, false},
    {"CHYBA CRC", msg::kCrcError, false},
    {"NEPLATNE HESLO", msg::kLoginRefused, false},
};

int RefusalMessage(std::string_view body, FileKind kind) {
    for (const auto& refusal : kRefusals) {
        if (refusal.xmlOnly && kind != FileKind::Xml) continue;
        if (body == refusal.body) return refusal.message;
    }
    return msg::kServerScriptError;
}

// Trace places that differ between the kinds.
struct KindTags {
    int crc, handle, postData, status, first407, response, error;
    std::string_view suffix, unverified;
};
constexpr KindTags kTextTags{23, 24, 25, 26, 27, 32, 33, "TXT", "NEOVERENO PROXY"};
constexpr KindTags kXmlTags{35, 36, 37, 38, 39, 44, 45, "XML", "NEOVĚŘENO PROXY"};

// LoadFile's report of a file that cannot be read: box with the stop icon,
// error-log line, traces H05 and H06, e-mail notice.
void ReportReadFailure(const UploadContext& c, const FileReadError& error, const std::string& path) {
    FailureReport report{error.code, error.description, Quoted(path), MessageIcon::Stop,
                         CodeAndText(error.code, error.description)};
    report.beforeNotice = [&] {
        if (c.settings.WriteDebugLog) {
            c.logs.WriteDebugTrace(TraceLine("LoadFile", 'H', 5).Label("ERROR").Error(error.code, error.description));
            c.logs.WriteDebugTrace(TraceLine("LoadFile", 'H', 6).End(kBackToSendFile));
        }
    };
    c.reporter.ReportFailure(report);
}

// One run of SendFile: the collaborators, the file and the reporting steps.
class Upload {
public:
    explicit Upload(const UploadContext& c) : c_(c) {}

    bool Run(std::string_view folderPath, std::string_view sourceName, std::string_view cuCode, std::string_view sendAs,
             const std::optional<FileNode>& expected, FileIdentity* readIdentity);

    // Any runtime failure: box, error log, trace G47 and the end G48, mail;
    // no "file not sent" line. Handles are closed.
    bool GeneralError(long code, std::string_view text) noexcept;

private:
    // The caller's arguments; they outlive the run.
    struct Arguments {
        std::string_view folderPath, sourceName, cuCode, sendAs;
    };
    // What one posted chunk brought back, for Judge.
    struct ChunkReply {
        std::string crcText; // the checksum sent with the chunk
        bool sendOk = false; // sent, credentials set and content type added
        InetError lastError = 0;
        long status = 0;
        bool replied = false;
        std::string body; // the answer's text, upper-cased; read only for status 200
    };

    // Traces the start, dials up, opens the file and converts the form values.
    bool Prepare(const std::optional<FileNode>& expected);
    // Runs the preamble to the kind's server.
    bool Connect();
    // Builds and posts chunk i and reads the answer; nothing when the failure
    // was already reported.
    std::optional<ChunkReply> SendChunk(std::uint64_t i);
    // True when the server confirmed the chunk; otherwise reports why not.
    bool Judge(const ChunkReply& reply);
    // Records the accepted file and tells the cycle.
    void Record(FileIdentity* readIdentity);

    void Trace(int tag, std::string_view label, std::initializer_list<std::string_view> values) const {
        if (c_.settings.WriteDebugLog)
            c_.logs.WriteDebugTrace(TraceLine("SendFile", 'G', tag).Label(label).Values(values));
    }
    void SessionLine(std::string_view text) const { c_.logs.WriteLog(text, LogKind::Session); }
    void NotSent() const { SessionLine(MessageText(msg::kFileNotSent)); }
    void Close() {
        if (transfer_) transfer_->InetClose();
    }

    bool ConvertValues(FileKind kind, std::string_view cuCode, std::string_view sendAs, std::string_view xmlOffice,
                       WireValues& out);
    bool SystemFailure(InetError code);
    bool Refused(int message);
    bool StatusFailure(long code, std::string_view text, int errorTag);
    bool ReadFailure(const FileReadError& error, const std::string& path);

    const UploadContext& c_;
    std::optional<ServerTransfer> transfer_;
    const KindTags* tags_ = &kTextTags;
    Arguments args_;
    std::string path_;
    std::optional<FileChunker> file_;
    FileKind kind_ = FileKind::Text;
    std::uint64_t count_ = 0;
    WireValues wire_;
    std::string dateBT_;
    std::string postData_; // reused for every chunk: one chunk in memory at a time
};

bool Upload::ConvertValues(FileKind kind, std::string_view cuCode, std::string_view sendAs, std::string_view xmlOffice,
                           WireValues& out) {
    struct Field {
        std::string_view name;
        std::string_view value;
        std::string* wire;
        bool secret;
        bool sent;
    };
    const bool text = kind == FileKind::Text;
    const Field fields[] = {
        {"JmenoDeklaranta", c_.settings.User, &out.user, false, true},
        {"Heslo", c_.settings.Pass, &out.pass, true, true},
        {"Celnice", cuCode, &out.officeCode, false, text},
        {"FileName", sendAs, &out.sendAs, false, true},
        {"Celnice", xmlOffice, &out.xmlOffice, false, !text},
    };
    for (const auto& field : fields) {
        if (!field.sent) continue;
        auto converted = Utf8ToCp1250(field.value);
        if (!converted) {
            // Never send a mangled value; the password itself stays out of the logs.
            const std::string detail =
                std::string(field.name) + (field.secret ? std::string() : " " + Quoted(field.value));
            FailureReport report{kNoCodePageForm, std::string(kNoCodePageText), detail, MessageIcon::Exclamation,
                                 CodeAndText(kNoCodePageForm, kNoCodePageText) + "  " + detail};
            report.beforeNotice = [this] { NotSent(); };
            c_.reporter.ReportFailure(report);
            return false;
        }
        *field.wire = std::move(*converted);
    }
    return true;
}

// The system-error report (with the transport's own words on the failure),
// then message 910.
bool Upload::SystemFailure(InetError code) {
    c_.reporter.ReportTransportError(static_cast<long>(code), transfer_ ? transfer_->lastErrorDetail() : "");
    NotSent();
    Close();
    return false;
}

bool Upload::Refused(int message) {
    const std::string text = MessageText(message);
    FailureReport report{message, text, {}, MessageIcon::Exclamation, ReplaceAll(text, kPlaceholder, "")};
    report.beforeNotice = [this] { NotSent(); };
    c_.reporter.ReportFailure(report);
    Close();
    return false;
}

bool Upload::StatusFailure(long code, std::string_view text, int errorTag) {
    FailureReport report{code, std::string(text), {}, MessageIcon::Exclamation, CodeAndText(code, text)};
    report.beforeNotice = [&] {
        NotSent();
        if (errorTag != 0 && c_.settings.WriteDebugLog) {
            c_.logs.WriteDebugTrace(TraceLine("SendFile", 'G', errorTag)
                                        .Label("ERROR(" + std::string(tags_->suffix) + ")")
                                        .Error(code, text));
        }
    };
    c_.reporter.ReportFailure(report);
    Close();
    return false;
}

// A read that failed after the first chunk: reported as LoadFile reports an
// unreadable file. The chunks already sent stay incomplete on the server.
bool Upload::ReadFailure(const FileReadError& error, const std::string& path) {
    ReportReadFailure(c_, error, path);
    Close();
    return false;
}

bool Upload::GeneralError(long code, std::string_view text) noexcept {
    try {
        FailureReport report{code, std::string(text), {}, MessageIcon::Exclamation, CodeAndText(code, text)};
        report.beforeNotice = [&] {
            if (c_.settings.WriteDebugLog) {
                c_.logs.WriteDebugTrace(TraceLine("SendFile", 'G', 47).Label("ERROR").Error(code, text));
                c_.logs.WriteDebugTrace(TraceLine("SendFile", 'G', 48).End(kBackToWorkUpFile));
            }
        };
        c_.reporter.ReportFailure(report);
    } catch (...) {
        // Out of memory even for the report: nothing more can be said.
    }
    Close();
    return false;
}

bool Upload::Run(std::string_view folderPath, std::string_view sourceName, std::string_view cuCode,
                 std::string_view sendAs, const std::optional<FileNode>& expected, FileIdentity* readIdentity) {
    args_ = {folderPath, sourceName, cuCode, sendAs};
    if (!Prepare(expected)) return false;
    // From here the file is under way; its end is told however the run ends.
    FileProgress progress(c_.progress, TransferState::Direction::Sending, std::string(sourceName), file_->size());
    if (!Connect()) return false;
    for (std::uint64_t i = 1; i <= count_; ++i) {
        std::optional<ChunkReply> reply = SendChunk(i);
        if (!reply || !Judge(*reply)) return false;
        progress.Done(file_->bytesRead());
    }
    Record(readIdentity);
    return true;
}

bool Upload::Prepare(const std::optional<FileNode>& expected) {
    const Settings& settings = c_.settings;
    if (settings.WriteDebugLog) c_.logs.WriteDebugTrace(TraceLine("SendFile", 'G', 1).Start());
    Trace(2, "Příchozí parametry", {std::string(args_.sourceName) + "][" + std::string(args_.cuCode)});
    if (settings.NoGetConnect) c_.cycle.OnReceiptAwaited();
    if (settings.WriteLogFile) {
        SessionLine(MessageText(msg::kSendingFile) +
                    Quoted(ToUpperText(std::string(args_.folderPath) + std::string(args_.sendAs))));
    }
    if (settings.RASMode && !c_.dialUp.EnsureDialUpConnection()) return false;

    Trace(3, "Send volá LoadFile", {std::string(args_.folderPath) + "][" + std::string(args_.sourceName)});
    path_ = std::string(args_.folderPath) + std::string(args_.sourceName);
    file_ = LoadFile(c_, path_, expected);
    if (!file_ || file_->size() == 0) return false;

    const std::string size = std::to_string(file_->size());
    if (settings.WriteLogFile) SessionLine(MessageText(msg::kSizeInBytes) + Quoted(size));
    Trace(4, "Velikost souboru v B", {size});

    kind_ = file_->kind();
    tags_ = kind_ == FileKind::Text ? &kTextTags : &kXmlTags;
    count_ = file_->chunkCount();

    const std::string xmlOffice = kind_ == FileKind::Xml ? XmlOfficeValue(args_.folderPath, settings.SourcePath) : "";
    return ConvertValues(kind_, args_.cuCode, args_.sendAs, xmlOffice, wire_);
}

bool Upload::Connect() {
    std::string server = kind_ == FileKind::Text ? c_.settings.ServerTxt : c_.settings.ServerXml;
    transfer_.emplace(c_.session, kUploadPreamble);
    switch (transfer_->RunPreamble(server)) {
    case PreambleResult::Connected: break;
    case PreambleResult::CannotConnect: return false;
    case PreambleResult::ProxyLoopEnded: return GeneralError(kProxyRefusedCode, kProxyRefusedText);
    case PreambleResult::NoConnection: return SystemFailure(transfer_->lastError());
    }
    dateBT_ = kind_ == FileKind::Text ? FormatDateBT(file_->modified()) : "";
    postData_.reserve(ChunkChars(kind_) + 1024);
    return true;
}

std::optional<Upload::ChunkReply> Upload::SendChunk(std::uint64_t i) {
    const std::string current = std::to_string(i);
    const std::string count = std::to_string(count_);
    const std::string suffix(tags_->suffix);
    postData_.clear();
    AppendChunkFormHead(postData_, kind_, wire_, i, count_);
    auto chunk = file_->AppendNextChunk(postData_);
    if (auto* error = std::get_if<FileReadError>(&chunk)) {
        ReadFailure(*error, path_);
        return std::nullopt;
    }
    ChunkReply reply;
    reply.crcText = CrcToDecimal(std::get<std::int32_t>(chunk));
    AppendChunkFormTail(postData_, kind_, reply.crcText, dateBT_);
    Trace(tags_->crc, "lCrc(" + suffix + ")", {reply.crcText});

    InternetRequest* request = transfer_->OpenRequest(UploadPage(kind_, c_.settings.RunMode));
    Trace(tags_->handle, "hHttpOpenRequest(" + suffix + ")", {HandleText(request)});
    if (request == nullptr) {
        SystemFailure(transfer_->lastError());
        return std::nullopt;
    }
    std::string traced = c_.settings.User + "|" + std::string(args_.cuCode) + "|" + current + "|" + count;
    if (kind_ == FileKind::Text) traced += "|" + dateBT_;
    Trace(tags_->postData, "strPostData(" + suffix + ")", {traced + "|" + ZUMASET_VERSION});

    const std::string_view contentType =
        kind_ == FileKind::Text ? "Content-Type: application/x-www-form-urlencoded\r\n"
                                : "Content-Type: application/x-www-form-urlencoded; charset=\"ISO-8859-2\"\r\n";
    const ProxyLoopTrace loopTrace{tags_->status, kind_ == FileKind::Text ? "lngStatus(TXT)" : "lngStatus(XML)",
                                   false,         tags_->first407,
                                   tags_->suffix, tags_->unverified};
    request->AddRequestHeader("Connection: Keep-Alive\r\n");
    const bool contentTypeAdded = request->AddRequestHeader(contentType);
    const InetError headerError = contentTypeAdded ? 0 : request->LastError();
    if (transfer_->SendRequest(postData_, loopTrace) == SendResult::ProxyLoopEnded) {
        GeneralError(kProxyRefusedCode, kProxyRefusedText);
        return std::nullopt;
    }
    // Sent, credentials set and content type added: all must have worked.
    reply.sendOk = contentTypeAdded && transfer_->lastSendOk();
    reply.lastError = headerError != 0 ? headerError : transfer_->lastError();
    reply.status = transfer_->status();
    // A send that got no reply at all is judged as the send failure it is,
    // never by the status an earlier chunk left behind.
    reply.replied = transfer_->replied();
    if (reply.replied && reply.status == 200) {
        const std::string answer = transfer_->ReadReply().value_or(std::string());
        const auto text = GetBodyText(answer);
        if (!text) {
            GeneralError(static_cast<long>(inet_error::kInvalidServerResponse),
                         SystemErrorText(static_cast<long>(inet_error::kInvalidServerResponse)));
            return std::nullopt;
        }
        reply.body = ToUpperText(Cp1250ToUtf8(*text).value_or(*text));
    }
    return reply;
}

bool Upload::Judge(const ChunkReply& reply) {
    Trace(tags_->response, "strResponse(" + std::string(tags_->suffix) + ")", {reply.body});
    if (!reply.replied) return SystemFailure(reply.lastError);

    if (reply.status == 200) {
        const bool confirmed = kind_ == FileKind::Text ? reply.body == "OK" : reply.body == reply.crcText;
        if (!confirmed) return Refused(RefusalMessage(reply.body, kind_));
        if (kind_ == FileKind::Text) Trace(34, "intRetVal(TXT)", {TraceBool(reply.sendOk)});
        if (!reply.sendOk) return SystemFailure(reply.lastError);
        return true;
    }
    if (reply.status == 500) return StatusFailure(500, kStatus500Text, 0);
    if (!reply.sendOk) return SystemFailure(reply.lastError);
    // Without a system error the status itself says what happened.
    return StatusFailure(reply.lastError != 0 ? static_cast<long>(reply.lastError) : reply.status, kUnspecifiedText,
                         tags_->error);
}

void Upload::Record(FileIdentity* readIdentity) {
    c_.sentFiles.Add(std::string(args_.sendAs), std::string(args_.folderPath), std::string(args_.cuCode),
                     c_.clock.Now());
    if (readIdentity) *readIdentity = file_->identity();
    c_.cycle.OnFileAccepted();
    if (c_.settings.WriteLogFile) SessionLine(MessageText(msg::kFileSent));
    Close();
    if (c_.settings.WriteDebugLog) c_.logs.WriteDebugTrace(TraceLine("SendFile", 'G', 46).End(kBackToWorkUpFile));
}

} // namespace

std::string_view UploadPage(FileKind kind, bool runMode) {
    if (kind == FileKind::Text) {
        return runMode ? "/secure/activex_download/upload_tst.asp" : "/secure/activex_download/upload_prg.asp";
    }
    return runMode ? "/secure/activex_download/upload_test.asp" : "/secure/activex_download/upload_prov.asp";
}

std::string XmlOfficeValue(std::string_view folderPath, std::string_view sourcePath) {
    const std::string folderUpper = ToUpperText(folderPath);
    const std::string sourceUpper = ToUpperText(sourcePath);
    // Upper-casing keeps the byte length of the letters it knows; should it not,
    // compare the texts as they are.
    const bool sameLength = folderUpper.size() == folderPath.size() && sourceUpper.size() == sourcePath.size();
    const std::size_t at = sameLength ? folderUpper.find(sourceUpper) : folderPath.find(sourcePath);
    if (at == std::string::npos) return {};
    std::string rest(folderPath.substr(at + sourcePath.size()));
    for (char& ch : rest) {
        if (ch == '/') ch = '\\';
    }
    return rest;
}

std::optional<FileChunker> LoadFile(const UploadContext& context, const std::string& path,
                                    const std::optional<FileNode>& expected) {
    const bool trace = context.settings.WriteDebugLog;
    if (trace) context.logs.WriteDebugTrace(TraceLine("LoadFile", 'H', 1).Start());
    const FileKind kind = KindOfPath(path);
    auto opened = FileChunker::Open(path, kind, expected);
    if (auto* error = std::get_if<FileReadError>(&opened)) {
        ReportReadFailure(context, *error, path);
        return std::nullopt;
    }
    // The XML content is encoded exactly as it is: no byte-order mark is added
    // whatever the first bytes are, so the server gets the file byte for byte.
    if (trace) {
        const int tag = kind == FileKind::Text ? 2 : 3;
        context.logs.WriteDebugTrace(
            TraceLine("LoadFile", 'H', tag).Label(kind == FileKind::Text ? "TXT" : "XML").Values({path}));
        context.logs.WriteDebugTrace(TraceLine("LoadFile", 'H', 4).End(kBackToSendFile));
    }
    return std::move(std::get<FileChunker>(opened));
}

bool SendFile(const UploadContext& context, std::string_view folderPath, std::string_view sourceName,
              std::string_view cuCode, std::string_view sendAs, const std::optional<FileNode>& expected,
              FileIdentity* readIdentity) {
    std::optional<Upload> upload;
    try {
        upload.emplace(context);
        return upload->Run(folderPath, sourceName, cuCode, sendAs, expected, readIdentity);
    } catch (const std::bad_alloc&) {
        return upload ? upload->GeneralError(kOutOfMemory, kOutOfMemoryText) : false;
    } catch (const std::filesystem::filesystem_error& error) {
        const long code = error.code().value();
        const std::string text = SystemErrorText(code);
        return upload ? upload->GeneralError(code, text.empty() ? error.what() : text) : false;
    } catch (const std::exception& error) {
        return upload ? upload->GeneralError(0, error.what()) : false;
    } catch (...) {
        return upload ? upload->GeneralError(0, "") : false;
    }
}

} // namespace zumaset
