#include "exchange/tls_trust.h"

#include "core/registry_file.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

namespace zumaset {
namespace {

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Deleter {
    void operator()(X509* cert) const { X509_free(cert); }
};
using BioPtr = std::unique_ptr<BIO, BioDeleter>;
using X509Ptr = std::unique_ptr<X509, X509Deleter>;

// Hard cap so that a stray huge file in the folder is not read whole.
constexpr std::uintmax_t kMaxCaFileSize = 1024 * 1024;

int AddCertificatesFromBytes(const std::string& bytes, X509_STORE* store) {
    int added = 0;
    auto add = [&](X509Ptr cert) {
        // A certificate already present is not an error worth reporting.
        if (cert && X509_STORE_add_cert(store, cert.get()) == 1) ++added;
    };
    if (bytes.find("-----BEGIN") != std::string::npos) {
        BioPtr bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
        if (!bio) return 0;
        while (X509* raw = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) add(X509Ptr(raw));
    } else {
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        add(X509Ptr(d2i_X509(nullptr, &data, static_cast<long>(bytes.size()))));
    }
    return added;
}

// Server certificates are accepted outside their validity dates: only the
// date faults are forgiven, the chain itself must still lead to a trusted CA.
int AcceptDateFaults(int preverified, X509_STORE_CTX* ctx) {
    if (preverified) return 1;
    switch (X509_STORE_CTX_get_error(ctx)) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        // libcurl reads the verify result after the handshake, so the error
        // must be cleared, not only passed over.
        X509_STORE_CTX_set_error(ctx, X509_V_OK);
        return 1;
    default:
        return 0;
    }
}

CURLcode PrepareContext(CURL*, void* sslContext, void* userData) {
    auto* ctx = static_cast<SSL_CTX*>(sslContext);
    const auto* trust = static_cast<const TlsTrust*>(userData);
    AddCaFolderToStore(trust->caFolder, SSL_CTX_get_cert_store(ctx));
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, AcceptDateFaults);
    return CURLE_OK;
}

} // namespace

std::filesystem::path DefaultCaFolder() { return ConfigFolder() / "ca"; }

int AddCaFolderToStore(const std::filesystem::path& folder, void* x509Store) {
    auto* store = static_cast<X509_STORE*>(x509Store);
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return 0;
    int added = 0;
    for (const auto& entry : it) {
        if (!entry.is_regular_file(ec) || entry.file_size(ec) > kMaxCaFileSize || ec) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        added += AddCertificatesFromBytes(bytes, store);
    }
    return added;
}

CURLcode ApplyTlsTrust(CURL* easy, const TlsTrust& trust) {
    for (CURLcode rc : {curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L),
                        // The host name is not compared; the chain still is.
                        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L),
                        curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &PrepareContext),
                        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &trust)}) {
        if (rc != CURLE_OK) return rc;
    }
    return CURLE_OK;
}

} // namespace zumaset
