#pragma once

#include <cstdint>
#include <curl/curl.h>
#include <filesystem>
#include <memory>
#include <string>

namespace zumaset::test {

// What one request to the simulator gave.
struct HttpsReply {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
};

// A plain libcurl client for the simulator's tests, sending what the client
// sends: HTTP/1.0 POSTs with "Connection: Keep-Alive" over one kept-alive
// connection, form bodies as they are. Trusts only the given CA.
class HttpsClient {
public:
    HttpsClient(std::string baseUrl, std::filesystem::path caFile);

    HttpsReply Post(const std::string& page, const std::string& body);
    HttpsReply Get(const std::string& page);

private:
    HttpsReply Perform(const std::string& page, const std::string* body);

    struct CurlDeleter {
        void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    };
    std::string baseUrl_;
    std::filesystem::path caFile_;
    std::unique_ptr<CURL, CurlDeleter> handle_;
};

// The form body of one text-kind chunk, checksum computed from the digits.
struct TextChunk {
    std::string user = "novak";
    std::string password = "tajne";
    std::string office = "CZ510201";
    std::string name = "ABC.DOK";
    int index = 1;
    int count = 1;
    std::string digits = {};
    std::string version = "2.0.0.2";
};
std::string TextChunkBody(const TextChunk& chunk);
std::string TextChunkBodyWithCrc(const TextChunk& chunk, const std::string& crc);

// The form body of one XML-kind chunk.
struct XmlChunk {
    std::string user = "novak";
    std::string password = "tajne";
    std::string name = "DECL.xml";
    std::string folder = {}; // the office value: sub-folder with "\" separators, or empty
    int index = 1;
    int count = 1;
    std::string digits = {};
    std::string version = "2.0.0.2";
};
std::string XmlChunkBody(const XmlChunk& chunk);

// The encodings and checksum the client uses, written out here independently.
std::string HexDigits(const std::string& bytes);
std::string SignedCrcText(const std::string& text);

} // namespace zumaset::test
