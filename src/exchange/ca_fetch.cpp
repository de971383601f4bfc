#include "exchange/ca_fetch.h"

#include "core/host_port.h"
#include "exchange/curl_handles.h"

#include <curl/curl.h>

namespace zumaset {

namespace {

constexpr std::size_t kMaxBody = 64 * 1024;

struct Sink {
    std::string body;
    bool tooLarge = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
    auto& sink = *static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    if (sink.body.size() + bytes > kMaxBody) {
        sink.tooLarge = true;
        return 0; // ends the transfer
    }
    sink.body.append(data, bytes);
    return bytes;
}

} // namespace

std::variant<std::string, CaFetchError> FetchCaCertificate(std::string_view server, std::string_view page,
                                                           const CaFetchOptions& options) {
    const auto hostPort = ParseServerName(server);
    if (!hostPort) return CaFetchError{"the server name cannot be used: '" + std::string(server) + "'"};
    const std::string url = "https://" + hostPort->UrlAuthority() + std::string(page);
    CurlEasyPtr easy(curl_easy_init());
    if (!easy) return CaFetchError{"cannot create a transfer handle"};
    Sink sink;
    char errorText[CURL_ERROR_SIZE] = {};
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK) rc = curl_easy_setopt(easy.get(), option, value);
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "https");
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_HTTPGET, 1L);
    // The one place where the chain is not checked: see the header.
    set(CURLOPT_SSL_VERIFYPEER, 0L);
    set(CURLOPT_SSL_VERIFYHOST, 0L);
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBody));
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connect.count()));
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(options.whole.count()));
    set(CURLOPT_PROXY, options.proxy.c_str());
    set(CURLOPT_NOPROXY, options.noProxy.c_str());
    if (!options.proxyUser.empty()) {
        set(CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_ANY));
        set(CURLOPT_PROXYUSERNAME, options.proxyUser.c_str());
        set(CURLOPT_PROXYPASSWORD, options.proxyPassword.c_str());
    }
    set(CURLOPT_WRITEFUNCTION, &Collect);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    set(CURLOPT_ERRORBUFFER, errorText);
    if (rc != CURLE_OK) return CaFetchError{curl_easy_strerror(rc)};
    rc = curl_easy_perform(easy.get());
    if (sink.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) return CaFetchError{"the reply is larger than 64 KiB"};
    if (rc != CURLE_OK) {
        return CaFetchError{std::string(curl_easy_strerror(rc)) + (errorText[0] ? std::string(": ") + errorText : "")};
    }
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) return CaFetchError{"the server answered with HTTP status " + std::to_string(status)};
    return std::move(sink.body);
}

} // namespace zumaset
