#include "test_certs.h"

#include "exchange/openssl_handles.h"

#include "temp_dir.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace zumaset::test {
namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using CertPtr = X509Ptr;

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string KeyPem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    Check(PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1, "key PEM");
    return BioText(bio.get());
}

std::string CertPemOf(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    Check(PEM_write_bio_X509(bio.get(), cert) == 1, "certificate PEM");
    return BioText(bio.get());
}

CertPtr CertFromPem(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return CertPtr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

KeyPtr KeyFromPem(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return KeyPtr(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    Check(ext != nullptr, "extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// Builds and signs one certificate; a null issuer makes it self-signed.
CertPtr MakeCert(EVP_PKEY* key, const std::string& commonName, X509* issuer, std::chrono::hours notBefore,
                 std::chrono::hours notAfter, long serial) {
    CertPtr cert(X509_new());
    Check(cert != nullptr, "new certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), std::chrono::seconds(notBefore).count());
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), std::chrono::seconds(notAfter).count());
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                               -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer != nullptr ? X509_get_subject_name(issuer) : name);
    return cert;
}

} // namespace

TestCa::TestCa(const std::string& name) {
    KeyPtr key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "CA key");
    CertPtr cert = MakeCert(key.get(), name, nullptr, std::chrono::hours(-48), std::chrono::hours(24 * 3650), 1);
    AddExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash");
    Check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "CA signature");
    ca_ = {CertPemOf(cert.get()), KeyPem(key.get())};
}

TestCa::~TestCa() = default;

std::string TestCa::CertDer() const {
    CertPtr cert = CertFromPem(ca_.certPem);
    unsigned char* der = nullptr;
    const int size = i2d_X509(cert.get(), &der);
    Check(size > 0, "DER");
    std::string bytes(reinterpret_cast<char*>(der), static_cast<std::size_t>(size));
    OPENSSL_free(der);
    return bytes;
}

CertAndKey TestCa::Issue(const ServerCertProfile& profile) const {
    static_assert(sizeof(long) >= 8);
    CertPtr caCert = CertFromPem(ca_.certPem);
    KeyPtr caKey = KeyFromPem(ca_.keyPem);
    KeyPtr key(EVP_EC_gen("P-256"));
    Check(caCert && caKey && key, "server key");
    const std::string commonName = !profile.dnsNames.empty() ? profile.dnsNames.front() : profile.ipAddresses.front();
    // A distinct serial per certificate keeps verifiers from confusing them.
    const long serial = std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffffffffL;
    CertPtr cert = MakeCert(key.get(), commonName, caCert.get(), profile.notBefore, profile.notAfter, serial);
    std::string altNames;
    for (const auto& dns : profile.dnsNames) altNames += (altNames.empty() ? "DNS:" : ",DNS:") + dns;
    for (const auto& ip : profile.ipAddresses) altNames += (altNames.empty() ? "IP:" : ",IP:") + ip;
    AddExtension(cert.get(), caCert.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert.get(), caCert.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(cert.get(), caCert.get(), NID_authority_key_identifier, "keyid");
    if (!altNames.empty()) AddExtension(cert.get(), caCert.get(), NID_subject_alt_name, altNames);
    Check(X509_sign(cert.get(), caKey.get(), EVP_sha256()) > 0, "server signature");
    return {CertPemOf(cert.get()), KeyPem(key.get())};
}

std::pair<std::filesystem::path, std::filesystem::path>
TestCa::WriteServerFiles(const std::filesystem::path& folder, const std::string& stem,
                         const ServerCertProfile& profile) const {
    const CertAndKey issued = Issue(profile);
    auto certFile = folder / (stem + ".crt");
    auto keyFile = folder / (stem + ".key");
    WriteFileBytes(certFile, issued.certPem);
    WriteFileBytes(keyFile, issued.keyPem);
    return {certFile, keyFile};
}

} // namespace zumaset::test
