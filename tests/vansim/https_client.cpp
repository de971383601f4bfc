#include "https_client.h"

#include <cstdint>
#include <stdexcept>
#include <zlib.h>

namespace zumaset::test {
namespace {

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

void Check(CURLcode code) {
    if (code != CURLE_OK) throw std::runtime_error(std::string("curl_easy_setopt: ") + curl_easy_strerror(code));
}

} // namespace

HttpsClient::HttpsClient(std::string baseUrl, std::filesystem::path caFile)
    : baseUrl_(std::move(baseUrl)), caFile_(std::move(caFile)), handle_(curl_easy_init()) {
    if (!handle_) throw std::runtime_error("curl_easy_init failed");
}

HttpsReply HttpsClient::Post(const std::string& page, const std::string& body) {
    return Perform(page, &body);
}

HttpsReply HttpsClient::Get(const std::string& page) {
    return Perform(page, nullptr);
}

HttpsReply HttpsClient::Perform(const std::string& page, const std::string* body) {
    CURL* curl = handle_.get();
    HttpsReply reply;
    const std::string url = baseUrl_ + page;
    std::unique_ptr<curl_slist, SlistDeleter> headers;
    curl_slist* list = curl_slist_append(nullptr, "Connection: Keep-Alive");
    list = curl_slist_append(list, "Content-Type: application/x-www-form-urlencoded");
    headers.reset(list);

    Check(curl_easy_setopt(curl, CURLOPT_URL, url.c_str()));
    Check(curl_easy_setopt(curl, CURLOPT_CAINFO, caFile_.c_str()));
    Check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L));
    Check(curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0));
    Check(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get()));
    Check(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L));
    Check(curl_easy_setopt(curl, CURLOPT_NOPROXY, "*"));
    Check(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody));
    Check(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body));
    if (body != nullptr) {
        Check(curl_easy_setopt(curl, CURLOPT_POST, 1L));
        Check(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data()));
        Check(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size())));
    } else {
        Check(curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L));
    }
    reply.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    return reply;
}

std::string HexDigits(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (unsigned char byte : bytes) {
        digits.push_back(kHex[byte >> 4]);
        digits.push_back(kHex[byte & 0x0f]);
    }
    return digits;
}

std::string SignedCrcText(const std::string& text) {
    const uLong crc =
        crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(crc)));
}

std::string TextChunkBodyWithCrc(const TextChunk& chunk, const std::string& crc) {
    return "JmenoDeklaranta=" + chunk.user + "&Heslo=" + chunk.password + "&Celnice=" + chunk.office +
           "&FileName=" + chunk.name + "&FileCurent=" + std::to_string(chunk.index) +
           "&FileCount=" + std::to_string(chunk.count) + "&FileData=" + chunk.digits + "&FileCRC=" + crc +
           "&DateBT=2010-05-04T13:02:09&VerzeApl=" + chunk.version;
}

std::string TextChunkBody(const TextChunk& chunk) {
    return TextChunkBodyWithCrc(chunk, SignedCrcText(chunk.digits));
}

std::string XmlChunkBody(const XmlChunk& chunk) {
    return "JmenoDeklaranta=" + chunk.user + "&Heslo=" + chunk.password + "&FileName=" + chunk.name +
           "&Celnice=" + chunk.folder + "&FileCurent=" + std::to_string(chunk.index) +
           "&FileCount=" + std::to_string(chunk.count) + "&FileData=" + chunk.digits +
           "&FileCrc=" + SignedCrcText(chunk.digits) + "&VerzeApl=" + chunk.version;
}

} // namespace zumaset::test
