#pragma once

#include "data_store.h"
#include "request_log.h"
#include "sim_settings.h"

#include <chrono>
#include <string>
#include <string_view>

namespace zumaset::vansim {

// What a page answers, before a fault rule shapes how the answer is delivered.
struct PageReply {
    int status = 200;
    std::string body;
    std::string contentType = "text/html; charset=windows-1250";
    LogEntry log;
};

// The two kinds of upload: digits in decimal triplets or in hexadecimal pairs,
// each with its own form fields and way of confirming a chunk.
enum class UploadKind { Text, Xml };

// The protocol pages, free of HTTP plumbing: each takes a request body (form
// fields in Windows-1250, not percent-encoded) and gives the reply.
class Pages {
public:
    explicit Pages(DataStore& store);

    // "/secure/activex_download/testing.asp".
    PageReply TestPage() const;

    // The four upload pages: checks the form, the account, the client version
    // and the chunk's checksum, decodes the digits and keeps the chunk; the last
    // chunk stores the whole file and leads to a delivery receipt.
    PageReply Upload(std::string_view page, UploadKind kind, std::string_view body, const SimSettings& settings);

    // The answer to an upload that a "wrong-crc" fault replaces: a checksum that
    // is not the chunk's (XML kind) or "CHYBA CRC" (text kind). Nothing is kept.
    PageReply WrongCrc(std::string_view page, UploadKind kind, std::string_view body) const;

    // "download_list.asp": the declarant's waiting files as "<path>#" each.
    // The settings' extra entries come first, as they are given.
    PageReply DownloadList(std::string_view body, const SimSettings& settings);

    // "download_down.asp": the bytes of one waiting file.
    PageReply DownloadFetch(std::string_view body) const;

    // "download_move.asp": the file is no longer offered.
    PageReply DownloadAcknowledge(std::string_view body);

private:
    DataStore& store_;
};

// The user and file name of an upload or download request, in UTF-8, for fault
// matching before the page runs; chunk is 0 where there is none.
struct RequestSubject {
    std::string user;
    std::string file;
    int chunk = 0;
};
RequestSubject SubjectOf(std::string_view body);

} // namespace zumaset::vansim
