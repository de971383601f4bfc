#include "exchange/tls_trust.h"

#include "core/host_port.h"
#include "exchange/openssl_handles.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <string_view>
#include <system_error>
#include <tuple>

namespace zumaset {

namespace {

struct StoreDeleter {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
using StorePtr = std::unique_ptr<X509_STORE, StoreDeleter>;

// Hard cap so that a stray huge file in the folder is not read whole.
constexpr std::uintmax_t kMaxCaFileSize = 1024 * 1024;

std::vector<X509Ptr> CertificatesFromBytes(const std::string& bytes) {
    std::vector<X509Ptr> certs;
    if (bytes.find("-----BEGIN") != std::string::npos) {
        BioPtr bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
        if (!bio) return certs;
        while (X509* raw = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) certs.emplace_back(raw);
        // The loop ends on the error "no more certificates"; it is not one.
        ERR_clear_error();
    } else {
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        if (X509* raw = d2i_X509(nullptr, &data, static_cast<long>(bytes.size()))) certs.emplace_back(raw);
        ERR_clear_error();
    }
    return certs;
}

std::string ReadSmallFile(const std::filesystem::path& path, std::uintmax_t limit) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > limit) return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<X509Ptr> FolderCertificates(const std::filesystem::path& folder) {
    std::vector<X509Ptr> certs;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return certs;
    for (const auto& entry : it) {
        if (!entry.is_regular_file(ec) || ec) continue;
        for (auto& cert : CertificatesFromBytes(ReadSmallFile(entry.path(), kMaxCaFileSize))) {
            certs.push_back(std::move(cert));
        }
    }
    return certs;
}

X509Ptr Duplicate(X509* cert) {
    X509_up_ref(cert);
    return X509Ptr(cert);
}

} // namespace

struct TrustSnapshot {
    StorePtr store;
    std::vector<X509Ptr> systemCerts;
    std::vector<X509Ptr> folderCerts;
};

struct TrustCache::FolderEntry {
    std::string name;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    bool operator==(const FolderEntry&) const = default;
};

namespace {

// A store of the given certificates; a certificate present twice is kept once.
// Any certificate of it ends a chain, whether it is a root or not: a folder
// may hold only the authority that issued the server's certificate, or that
// certificate itself. The rule on names looks at the chain so built, so it
// still needs a certificate of the folder in it.
StorePtr BuildStore(const std::vector<X509Ptr>& system, const std::vector<X509Ptr>& folder) {
    StorePtr store(X509_STORE_new());
    if (!store) return store;
    X509_STORE_set_flags(store.get(), X509_V_FLAG_PARTIAL_CHAIN);
    for (const auto* set : {&system, &folder}) {
        for (const auto& cert : *set) X509_STORE_add_cert(store.get(), cert.get());
    }
    ERR_clear_error();
    return store;
}

std::vector<X509Ptr> SystemCertificates(const std::filesystem::path& file) {
    if (file.empty()) return {};
    // The bundle holds some hundred certificates in one file of a few hundred KB.
    return CertificatesFromBytes(ReadSmallFile(file, 16 * kMaxCaFileSize));
}

// ---- the check of one connection ------------------------------------------

// What the handshake of one connection checks against; owned by the
// connection's TLS context, so it lives exactly as long as the connection may
// verify a certificate.
struct ConnectionCheck {
    std::shared_ptr<const TrustSnapshot> trust;
    std::string host;
    bool strict = false;
    std::vector<std::string> knownHosts;
    // Set when the peer's TLS end signal (close_notify) arrives; the
    // transfer using the connection at that moment put it here.
    std::shared_ptr<std::atomic<bool>> endSignal;
};

void FreeConnectionCheck(void*, void* data, CRYPTO_EX_DATA*, int, long, void*) {
    // Takes back the ownership handed to the TLS context in PrepareContext.
    std::unique_ptr<ConnectionCheck> owned(static_cast<ConnectionCheck*>(data));
}

int ConnectionCheckIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, &FreeConnectionCheck);
    return index;
}

bool CertificateNames(X509* cert, std::string_view host) {
    // A fully qualified name ends in a dot that certificates never carry; a
    // name beginning with one would match every host under it.
    if (host.ends_with('.')) host.remove_suffix(1);
    if (host.empty() || host.starts_with('.')) return false;
    std::string bare(host);
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
    if (X509_check_ip_asc(cert, bare.c_str(), 0) == 1) return true;
    return X509_check_host(cert, bare.data(), bare.size(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr) == 1;
}

bool ChainHoldsFolderCertificate(X509_STORE_CTX* ctx, const TrustSnapshot& trust) {
    STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(ctx);
    for (int i = 0; chain != nullptr && i < sk_X509_num(chain); ++i) {
        X509* link = sk_X509_value(chain, i);
        for (const auto& own : trust.folderCerts) {
            if (X509_cmp(link, own.get()) == 0) return true;
        }
    }
    return false;
}

ConnectionCheck* CheckOf(const SSL* ssl) {
    if (ssl == nullptr) return nullptr;
    return static_cast<ConnectionCheck*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ConnectionCheckIndex()));
}

// Watches for the peer's close_notify alert.
void NoteTlsEvent(const SSL* ssl, int where, int value) {
    if ((where & SSL_CB_READ_ALERT) != SSL_CB_READ_ALERT || (value & 0xff) != SSL3_AD_CLOSE_NOTIFY) return;
    const ConnectionCheck* check = CheckOf(ssl);
    if (check != nullptr && check->endSignal) check->endSignal->store(true);
}

struct StoreCtxDeleter {
    void operator()(X509_STORE_CTX* ctx) const { X509_STORE_CTX_free(ctx); }
};
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, StoreCtxDeleter>;

// Called for each certificate of the chain: outside the connection test, a
// certificate outside its validity dates is forgiven; nothing else is.
int ForgiveDates(int preverified, X509_STORE_CTX* ctx) {
    if (preverified) return 1;
    const auto* check = static_cast<const ConnectionCheck*>(X509_STORE_CTX_get_app_data(ctx));
    if (check == nullptr || check->strict) return 0;
    switch (X509_STORE_CTX_get_error(ctx)) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        // libcurl reads the verify result after the handshake, so the error
        // must be cleared, not only passed over.
        X509_STORE_CTX_set_error(ctx, X509_V_OK);
        return 1;
    default: return 0;
    }
}

// The whole check of a server's certificate, in place of the library's: the
// chain against the process's shared store (libcurl's own stays empty, so no
// CA file is parsed per connection), then the name.
int VerifyServer(X509_STORE_CTX* ctx, void* data) {
    const auto* check = static_cast<const ConnectionCheck*>(data);
    X509* leaf = X509_STORE_CTX_get0_cert(ctx);
    StoreCtxPtr own(X509_STORE_CTX_new());
    if (check == nullptr || leaf == nullptr || !own ||
        X509_STORE_CTX_init(own.get(), check->trust->store.get(), leaf, X509_STORE_CTX_get0_untrusted(ctx)) != 1) {
        X509_STORE_CTX_set_error(ctx, X509_V_ERR_UNSPECIFIED);
        return 0;
    }
    X509_STORE_CTX_set_default(own.get(), "ssl_server");
    X509_STORE_CTX_set_app_data(own.get(), const_cast<ConnectionCheck*>(check));
    X509_STORE_CTX_set_verify_cb(own.get(), ForgiveDates);
    if (X509_verify_cert(own.get()) <= 0) {
        X509_STORE_CTX_set_error(ctx, X509_STORE_CTX_get_error(own.get()));
        return 0;
    }
    bool accepted = CertificateNames(leaf, check->host);
    if (!accepted && !check->strict) {
        // The operator's own CA, or a certificate issued for one of the
        // configured servers, may carry another name.
        accepted = ChainHoldsFolderCertificate(own.get(), *check->trust) ||
                   std::ranges::any_of(check->knownHosts,
                                       [&](const std::string& known) { return CertificateNames(leaf, known); });
    }
    X509_STORE_CTX_set_error(ctx, accepted ? X509_V_OK : X509_V_ERR_HOSTNAME_MISMATCH);
    return accepted ? 1 : 0;
}

// The host the connection being set up goes to: the request's URL, or for a
// redirect being followed, its target.
std::string HostBeingReached(CURL* easy) {
    char* url = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr) return {};
    std::string_view rest(url);
    const auto scheme = rest.find("://");
    if (scheme == std::string_view::npos) return {};
    rest = rest.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
    const auto parsed = ParseServerName(rest);
    return parsed ? parsed->host : std::string();
}

CURLcode PrepareContext(CURL* easy, void* sslContext, void* userData) {
    auto* ctx = static_cast<SSL_CTX*>(sslContext);
    const auto* policy = static_cast<const PeerPolicy*>(userData);
    if (policy == nullptr || !policy->trust) return CURLE_SSL_CERTPROBLEM;
    auto check = std::make_unique<ConnectionCheck>();
    check->trust = policy->trust->Current();
    if (!check->trust || !check->trust->store) return CURLE_SSL_CACERT_BADFILE;
    check->host = HostBeingReached(easy);
    check->strict = policy->strict;
    check->knownHosts = policy->knownHosts;
    SSL_CTX_set_info_callback(ctx, NoteTlsEvent);
    ConnectionCheck* raw = check.get();
    if (SSL_CTX_set_ex_data(ctx, ConnectionCheckIndex(), raw) != 1) return CURLE_OUT_OF_MEMORY;
    // The TLS context owns it from here on and frees it with itself.
    static_cast<void>(check.release());
    SSL_CTX_set_cert_verify_callback(ctx, VerifyServer, raw);
    return CURLE_OK;
}

} // namespace

std::filesystem::path DefaultSystemCaFile() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (info != nullptr && info->cainfo != nullptr) return info->cainfo;
    return {};
}

int AddCaFolderToStore(const std::filesystem::path& folder, void* x509Store) {
    auto* store = static_cast<X509_STORE*>(x509Store);
    int added = 0;
    for (const auto& cert : FolderCertificates(folder)) {
        // A certificate already present is not an error worth reporting.
        if (X509_STORE_add_cert(store, cert.get()) == 1) ++added;
    }
    ERR_clear_error();
    return added;
}

TrustCache::TrustCache(std::filesystem::path caFolder, std::filesystem::path systemCaFile)
    : caFolder_(std::move(caFolder)), systemCaFile_(std::move(systemCaFile)) {}

TrustCache::~TrustCache() = default;

std::vector<TrustCache::FolderEntry> TrustCache::ScanFolder() const {
    std::vector<FolderEntry> entries;
    std::error_code ec;
    std::filesystem::directory_iterator it(caFolder_, ec);
    if (ec) return entries;
    for (const auto& entry : it) {
        FolderEntry seen{entry.path().filename().string(), 0, {}};
        seen.size = entry.file_size(ec);
        if (ec) seen.size = 0;
        seen.modified = entry.last_write_time(ec);
        entries.push_back(std::move(seen));
    }
    std::ranges::sort(entries, {}, &FolderEntry::name);
    return entries;
}

std::shared_ptr<const TrustSnapshot> TrustCache::Current() {
    auto folder = ScanFolder();
    std::lock_guard lock(mutex_);
    if (current_ && folder == folderSeen_) return current_;
    if (!systemLoaded_) {
        auto snapshot = std::make_shared<TrustSnapshot>();
        snapshot->systemCerts = SystemCertificates(systemCaFile_);
        system_ = std::move(snapshot);
        systemLoaded_ = true;
    }
    auto snapshot = std::make_shared<TrustSnapshot>();
    for (const auto& cert : system_->systemCerts) snapshot->systemCerts.push_back(Duplicate(cert.get()));
    snapshot->folderCerts = FolderCertificates(caFolder_);
    snapshot->store = BuildStore(snapshot->systemCerts, snapshot->folderCerts);
    folderSeen_ = std::move(folder);
    current_ = std::move(snapshot);
    return current_;
}

void WatchTlsEndSignal(CURL* easy, std::shared_ptr<std::atomic<bool>> flag) {
    curl_tlssessioninfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_TLS_SSL_PTR, &info) != CURLE_OK || info == nullptr ||
        info->backend != CURLSSLBACKEND_OPENSSL || info->internals == nullptr)
        return;
    // The check belongs to the connection, which serves one transfer at a time.
    if (ConnectionCheck* check = CheckOf(static_cast<const SSL*>(info->internals))) check->endSignal = std::move(flag);
}

CURLcode ApplyTlsTrust(CURL* easy, const PeerPolicy& policy) {
    for (CURLcode rc :
         {curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L),
          // The name is checked by VerifyServer under the policy;
          // the connection test also has libcurl check it.
          curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, policy.strict ? 2L : 0L),
          // libcurl loads no CA file of its own: VerifyServer
          // checks against the shared store of the process.
          curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr), curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr),
          curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &PrepareContext),
          curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &policy)}) {
        if (rc != CURLE_OK) return rc;
    }
    return CURLE_OK;
}

} // namespace zumaset
