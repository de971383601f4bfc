#pragma once

#include <filesystem>
#include <memory>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <string>

namespace zumaset::vansim {

struct X509Deleter {
    void operator()(X509* cert) const { X509_free(cert); }
};
struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using X509Ptr = std::unique_ptr<X509, X509Deleter>;
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;

// Which server certificate the simulator shows. All three are issued by the
// same test CA, so a client that trusts the CA sees a good chain and only the
// date or the host name is wrong.
enum class CertificateVariant {
    Valid,     // for 127.0.0.1 and localhost, valid now
    Expired,   // for 127.0.0.1 and localhost, expired a year ago
    WrongHost, // valid now, but only for another host name
};

// The certificate and key the TLS server presents, with the intermediate CA
// that completes the chain.
struct ServerIdentity {
    X509Ptr certificate;
    X509Ptr intermediate;
    KeyPtr key;
};

// The test PKI of one data folder: a root CA (the one a client trusts), an
// intermediate CA, and a server key with one certificate per variant.
struct CertificateSet {
    std::filesystem::path rootPem; // the root CA certificate in PEM
    std::string rootDer;           // published as "/download/cert.der"
    std::string intermediateDer;   // published as "/download/cert2.der"
    ServerIdentity identity;       // for the chosen variant
};

// Loads the PKI from the folder, creating whatever part is missing (the whole
// PKI on the first start). Throws std::runtime_error when OpenSSL fails.
CertificateSet PrepareCertificates(const std::filesystem::path& folder, CertificateVariant variant);

// Puts the identity into a TLS server context; false when OpenSSL refuses it.
bool InstallIdentity(SSL_CTX& context, const ServerIdentity& identity);

} // namespace zumaset::vansim
