#include "pages.h"

#include "digits.h"
#include "receipts.h"
#include "wire_text.h"

#include <charconv>

namespace zumaset::vansim {
namespace {

std::string Utf8Field(const std::vector<FormField>& fields, std::string_view name) {
    const std::string* value = FindField(fields, name);
    if (value == nullptr) return {};
    return Cp1250ToUtf8(*value).value_or(std::string());
}

bool ParsePositive(const std::string* text, int& out) {
    if (text == nullptr || text->empty()) return false;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), out);
    return ec == std::errc() && end == text->data() + text->size() && out > 0;
}

// YYYY-MM-DDTHH:MM:SS with digits where digits belong.
bool IsDateBT(const std::string* text) {
    if (text == nullptr) return false;
    constexpr std::string_view pattern = "dddd-dd-ddTdd:dd:dd";
    if (text->size() != pattern.size()) return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = (*text)[i];
        if (pattern[i] == 'd' ? (c < '0' || c > '9') : c != pattern[i]) return false;
    }
    return true;
}

// The office value of the XML kind: a sub-folder path with "\" between names, or empty.
std::optional<ServerDir> FolderOf(const std::string& value) {
    if (value.empty()) return ServerDir{};
    if (value.front() == '\\') return std::nullopt;
    return SplitServerPath(value);
}

PageReply Answer(std::string_view page, std::string keyword, LogEntry log, std::string detail = {}) {
    PageReply reply;
    reply.body = FramePage(keyword);
    log.page = std::string(page);
    log.result = detail.empty() ? keyword : keyword + " (" + detail + ")";
    reply.log = std::move(log);
    return reply;
}

PageReply NotFound(std::string_view page, LogEntry log, const std::string& why) {
    PageReply reply;
    reply.status = 404;
    reply.body = FramePage("Soubor nenalezen");
    log.page = std::string(page);
    log.result = "404 (" + why + ")";
    reply.log = std::move(log);
    return reply;
}

// The server path of a fetch or acknowledge request, checked for consistency and safety.
std::optional<std::vector<std::string>> RequestedPath(const std::vector<FormField>& fields, LogEntry& log,
                                                      std::string& why) {
    if (!FieldsInOrder(fields, {"Name", "File", "Dir"})) {
        why = "fields Name, File, Dir missing or out of order";
        return std::nullopt;
    }
    const auto name = Cp1250ToUtf8(*FindField(fields, "Name"));
    const auto file = Cp1250ToUtf8(*FindField(fields, "File"));
    const auto dir = Cp1250ToUtf8(*FindField(fields, "Dir"));
    if (!name || !file || !dir) {
        why = "not Windows-1250 text";
        return std::nullopt;
    }
    log.file = *name;
    if (*file != *dir + *name || dir->empty() || dir->back() != '\\') {
        why = "File is not Dir followed by Name";
        return std::nullopt;
    }
    auto parts = SplitServerPath(*file);
    if (!parts || parts->size() < 2 || !IsSafeName(*name)) {
        why = "unsafe or incomplete path";
        return std::nullopt;
    }
    log.user = parts->front();
    return parts;
}

} // namespace

Pages::Pages(DataStore& store) : store_(store) {}

PageReply Pages::TestPage() const {
    PageReply reply;
    reply.body = FramePage("TESTING SERVER RLK OK");
    reply.log = {"testing.asp", "", "", "200"};
    return reply;
}

PageReply Pages::Upload(std::string_view page, UploadKind kind, std::string_view body, const SimSettings& settings) {
    const bool xml = kind == UploadKind::Xml;
    const auto fields = ParseFormBody(body);
    LogEntry log;
    log.user = Utf8Field(fields, "JmenoDeklaranta");
    log.file = Utf8Field(fields, "FileName");

    const bool formOk = xml ? FieldsInOrder(fields, {"JmenoDeklaranta", "Heslo", "FileName", "Celnice", "FileCurent",
                                                     "FileCount", "FileData", "FileCrc", "VerzeApl"})
                            : FieldsInOrder(fields, {"JmenoDeklaranta", "Heslo", "Celnice", "FileName", "FileCurent",
                                                     "FileCount", "FileData", "FileCRC", "DateBT", "VerzeApl"});
    // Keywords the client does not know count as an internal error of the page on its side.
    if (!formOk) return Answer(page, "CHYBA FORMULARE", log, "fields missing or out of order");

    const auto accounts = store_.LoadAccounts();
    const auto account = accounts.find(log.user);
    // The user name becomes a folder name; an account file line that is not a safe name never matches.
    const bool known = account != accounts.end() && IsSafeName(log.user);
    if (xml && (!known || !account->second.knownForXml)) return Answer(page, "CHYBA ID", log);
    const auto password = Cp1250ToUtf8(*FindField(fields, "Heslo"));
    if (!known || !password || *password != account->second.password) return Answer(page, "NEPLATNE HESLO", log);

    if (settings.RefusesVersion(*FindField(fields, "VerzeApl"))) return Answer(page, "CHYBA VERZE KLIENTA", log);

    int index = 0;
    int count = 0;
    if (!ParsePositive(FindField(fields, "FileCurent"), index) ||
        !ParsePositive(FindField(fields, "FileCount"), count) || index > count)
        return Answer(page, "CHYBA FORMULARE", log, "bad chunk number or count");
    if (!xml && !IsDateBT(FindField(fields, "DateBT"))) return Answer(page, "CHYBA FORMULARE", log, "bad DateBT");
    const std::string chunkText = "chunk " + std::to_string(index) + "/" + std::to_string(count);

    const std::string& data = *FindField(fields, "FileData");
    const std::string crc = ChunkCrcText(data);
    if (crc != *FindField(fields, xml ? "FileCrc" : "FileCRC")) return Answer(page, "CHYBA CRC", log, chunkText);

    const auto bytes = xml ? DecodeHexDigits(data) : DecodeDecimalDigits(data);
    if (!bytes)
        return Answer(page, "CHYBA DATA", log, chunkText + ", not " + (xml ? "hexadecimal pairs" : "decimal triplets"));

    const auto office = Cp1250ToUtf8(*FindField(fields, "Celnice"));
    std::optional<ServerDir> dir;
    if (office)
        dir = xml ? FolderOf(*office) : (IsSafeName(*office) ? std::optional(ServerDir{*office}) : std::nullopt);
    if (!dir || !IsSafeName(log.file)) return Answer(page, "CHYBA NAZEV", log, chunkText + ", unusable name or office");

    std::filesystem::path stored;
    const ChunkOutcome outcome = store_.StoreChunk(log.user, xml, *dir, log.file, index, count, *bytes, stored);
    if (outcome == ChunkOutcome::OutOfOrder) return Answer(page, "CHYBA PORADI", log, chunkText + ", out of order");

    const std::string keyword = xml ? crc : "OK";
    if (outcome == ChunkOutcome::Kept) return Answer(page, keyword, log, chunkText);

    AcceptedFile accepted;
    accepted.user = log.user;
    accepted.sendAs = log.file;
    accepted.size = std::filesystem::file_size(stored);
    accepted.when = std::chrono::system_clock::now();
    if (xml) {
        accepted.folder = *dir;
    } else {
        accepted.officeCode = *office;
    }
    const Receipt receipt = xml ? MakeXmlReceipt(accepted) : MakeTextReceipt(accepted);
    store_.PlaceReceipt(log.user, receipt.dir, receipt.name, receipt.bytes,
                        std::chrono::seconds(settings.receiptDelaySeconds));
    return Answer(page, keyword, log, chunkText + ", stored, receipt " + receipt.name);
}

PageReply Pages::WrongCrc(std::string_view page, UploadKind kind, std::string_view body) const {
    const auto fields = ParseFormBody(body);
    LogEntry log;
    log.user = Utf8Field(fields, "JmenoDeklaranta");
    log.file = Utf8Field(fields, "FileName");
    if (kind == UploadKind::Text) return Answer(page, "CHYBA CRC", log, "fault wrong-crc");
    const std::string* data = FindField(fields, "FileData");
    std::string crc = ChunkCrcText(data != nullptr ? *data : std::string());
    // Another valid-looking number: the same text with its last digit changed.
    crc.back() = crc.back() == '9' ? '0' : static_cast<char>(crc.back() + 1);
    return Answer(page, crc, log, "fault wrong-crc");
}

PageReply Pages::DownloadList(std::string_view body, const SimSettings& settings) {
    constexpr std::string_view page = "download_list.asp";
    const auto fields = ParseFormBody(body);
    LogEntry log;
    log.page = std::string(page);
    log.user = Utf8Field(fields, "JmenoDeklaranta");
    PageReply reply;
    reply.log = log;
    if (!FieldsInOrder(fields, {"JmenoDeklaranta", "Heslo"})) {
        reply.log.result = "empty list (fields missing or out of order)";
        return reply;
    }
    const auto accounts = store_.LoadAccounts();
    const auto account = accounts.find(log.user);
    const auto password = Cp1250ToUtf8(*FindField(fields, "Heslo"));
    // A refused declarant sees an empty list: the client shows nothing either way.
    if (account == accounts.end() || !IsSafeName(log.user) || !password || *password != account->second.password) {
        reply.log.result = "empty list (NEPLATNE HESLO)";
        return reply;
    }

    store_.ReleaseDueReceipts();
    int offered = 0;
    std::string skipped;
    // Entries of the settings, for names no waiting file can have (one too long
    // for any disk, say); fetching them finds nothing waiting.
    for (const auto& extra : settings.listEntries) {
        const auto wire = Utf8ToCp1250(extra);
        if (!wire) {
            skipped += " " + extra;
            continue;
        }
        reply.body += *wire + "#";
        ++offered;
    }
    for (const auto& parts : store_.ListWaiting(log.user)) {
        std::string entry = log.user;
        for (const auto& part : parts) entry += "\\" + part;
        const auto wire = Utf8ToCp1250(entry);
        if (!wire) {
            skipped += " " + entry;
            continue;
        }
        reply.body += *wire + "#";
        ++offered;
    }
    reply.log.result = std::to_string(offered) + " files";
    if (!skipped.empty()) reply.log.result += " (not in Windows-1250, left out:" + skipped + ")";
    return reply;
}

PageReply Pages::DownloadFetch(std::string_view body) const {
    constexpr std::string_view page = "download_down.asp";
    const auto fields = ParseFormBody(body);
    LogEntry log;
    std::string why;
    const auto path = RequestedPath(fields, log, why);
    if (!path) return NotFound(page, log, why);
    auto bytes = store_.ReadWaiting(*path);
    if (!bytes) return NotFound(page, log, "not waiting");
    PageReply reply;
    reply.contentType = "application/octet-stream";
    reply.log = log;
    reply.log.page = std::string(page);
    reply.log.result = "200 (" + std::to_string(bytes->size()) + " bytes)";
    reply.body = std::move(*bytes);
    return reply;
}

PageReply Pages::DownloadAcknowledge(std::string_view body) {
    constexpr std::string_view page = "download_move.asp";
    const auto fields = ParseFormBody(body);
    LogEntry log;
    std::string why;
    const auto path = RequestedPath(fields, log, why);
    if (!path) return NotFound(page, log, why);
    if (!store_.Acknowledge(*path)) return NotFound(page, log, "not waiting");
    return Answer(page, "OK", log, "moved to delivered");
}

RequestSubject SubjectOf(std::string_view body) {
    const auto fields = ParseFormBody(body);
    RequestSubject subject;
    subject.user = Utf8Field(fields, "JmenoDeklaranta");
    subject.file = FindField(fields, "FileName") != nullptr ? Utf8Field(fields, "FileName") : Utf8Field(fields, "Name");
    int chunk = 0;
    if (ParsePositive(FindField(fields, "FileCurent"), chunk)) subject.chunk = chunk;
    return subject;
}

} // namespace zumaset::vansim
