#include "certificates.h"

#include <fstream>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <system_error>

namespace zumaset::vansim {
namespace {

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free_all(bio); }
};
struct ExtensionDeleter {
    void operator()(X509_EXTENSION* ext) const { X509_EXTENSION_free(ext); }
};
struct BignumDeleter {
    void operator()(BIGNUM* bn) const { BN_free(bn); }
};
using BioPtr = std::unique_ptr<BIO, BioDeleter>;

constexpr long kDay = 24L * 60 * 60;

[[noreturn]] void Fail(const std::string& what) {
    std::string detail;
    if (const unsigned long code = ERR_get_error(); code != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        detail = std::string(": ") + text;
    }
    ERR_clear_error();
    throw std::runtime_error("certificate creation: " + what + detail);
}

// What one certificate is for.
struct Profile {
    std::string commonName;
    bool isCa = false;
    bool isIntermediate = false;
    std::string subjectAltName; // empty for the CAs
    long notBeforeOffset = -kDay;
    long notAfterOffset = 3650 * kDay;
};

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, ExtensionDeleter> ext(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    if (!ext || X509_add_ext(cert, ext.get(), -1) != 1) Fail("extension " + value);
}

KeyPtr NewKey() {
    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key) Fail("key generation");
    return key;
}

X509Ptr Issue(const Profile& profile, EVP_PKEY* subjectKey, X509* issuerCert, EVP_PKEY* issuerKey) {
    X509Ptr cert(X509_new());
    if (!cert || X509_set_version(cert.get(), 2) != 1) Fail("new certificate");

    unsigned char serialBytes[16];
    if (RAND_bytes(serialBytes, sizeof serialBytes) != 1) Fail("serial number");
    serialBytes[0] &= 0x7f;
    std::unique_ptr<BIGNUM, BignumDeleter> serial(BN_bin2bn(serialBytes, sizeof serialBytes, nullptr));
    if (!serial || BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) == nullptr)
        Fail("serial number");

    if (X509_gmtime_adj(X509_getm_notBefore(cert.get()), profile.notBeforeOffset) == nullptr ||
        X509_gmtime_adj(X509_getm_notAfter(cert.get()), profile.notAfterOffset) == nullptr)
        Fail("validity");

    X509_NAME* name = X509_get_subject_name(cert.get());
    const auto* organisation = reinterpret_cast<const unsigned char*>("Zumaset test server");
    const auto* common = reinterpret_cast<const unsigned char*>(profile.commonName.c_str());
    if (X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, organisation, -1, -1, 0) != 1 ||
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, common, -1, -1, 0) != 1)
        Fail("subject name");

    X509* issuer = issuerCert != nullptr ? issuerCert : cert.get();
    if (X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer)) != 1) Fail("issuer name");
    if (X509_set_pubkey(cert.get(), subjectKey) != 1) Fail("public key");

    if (profile.isCa) {
        AddExtension(cert.get(), issuer, NID_basic_constraints,
                     profile.isIntermediate ? "critical,CA:TRUE,pathlen:0" : "critical,CA:TRUE");
        AddExtension(cert.get(), issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert.get(), issuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
        AddExtension(cert.get(), issuer, NID_ext_key_usage, "serverAuth");
        AddExtension(cert.get(), issuer, NID_subject_alt_name, profile.subjectAltName);
    }
    AddExtension(cert.get(), issuer, NID_subject_key_identifier, "hash");
    if (issuerCert != nullptr) AddExtension(cert.get(), issuer, NID_authority_key_identifier, "keyid:always");

    if (X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : subjectKey, EVP_sha256()) == 0) Fail("signature");
    return cert;
}

std::string ToPem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) Fail("PEM encoding");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

std::string ToDer(X509* cert) {
    unsigned char* data = nullptr;
    const int size = i2d_X509(cert, &data);
    if (size <= 0) Fail("DER encoding");
    std::string der(reinterpret_cast<char*>(data), static_cast<size_t>(size));
    OPENSSL_free(data);
    return der;
}

std::string KeyToPem(EVP_PKEY* key) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        Fail("key encoding");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes, bool secret) {
    const auto temp = file.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (secret) {
            std::filesystem::permissions(temp,
                                         std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + temp);
    }
    std::filesystem::rename(temp, file);
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

X509Ptr LoadCertificate(const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) return nullptr;
    const std::string pem = ReadFile(file);
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    X509Ptr cert(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    ERR_clear_error();
    return cert;
}

KeyPtr LoadKey(const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) return nullptr;
    const std::string pem = ReadFile(file);
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    KeyPtr key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    ERR_clear_error();
    return key;
}

KeyPtr LoadOrCreateKey(const std::filesystem::path& file) {
    if (auto key = LoadKey(file)) return key;
    KeyPtr key = NewKey();
    WriteFile(file, KeyToPem(key.get()), true);
    return key;
}

// Loads a certificate, or issues it anew when it is missing, no longer matches
// its key, or was not signed by the issuer's present key.
X509Ptr LoadOrIssue(const std::filesystem::path& file, const Profile& profile, EVP_PKEY* key, X509* issuerCert,
                    EVP_PKEY* issuerKey) {
    if (auto cert = LoadCertificate(file)) {
        const bool matches = X509_check_private_key(cert.get(), key) == 1 &&
                             X509_verify(cert.get(), issuerKey != nullptr ? issuerKey : key) == 1;
        ERR_clear_error();
        if (matches) return cert;
    }
    X509Ptr cert = Issue(profile, key, issuerCert, issuerKey);
    WriteFile(file, ToPem(cert.get()), false);
    return cert;
}

} // namespace

CertificateSet PrepareCertificates(const std::filesystem::path& folder, CertificateVariant variant) {
    std::filesystem::create_directories(folder);

    KeyPtr rootKey = LoadOrCreateKey(folder / "ca.key");
    const Profile rootProfile{"Zumaset test root CA", true, false, "", -kDay, 7300 * kDay};
    X509Ptr root = LoadOrIssue(folder / "ca.pem", rootProfile, rootKey.get(), nullptr, nullptr);
    const std::string rootDer = ToDer(root.get());
    if (ReadFile(folder / "ca.der") != rootDer) WriteFile(folder / "ca.der", rootDer, false);

    KeyPtr intermediateKey = LoadOrCreateKey(folder / "ca2.key");
    const Profile intermediateProfile{"Zumaset test issuing CA", true, true, "", -kDay, 7000 * kDay};
    X509Ptr intermediate =
        LoadOrIssue(folder / "ca2.pem", intermediateProfile, intermediateKey.get(), root.get(), rootKey.get());

    KeyPtr serverKey = LoadOrCreateKey(folder / "server.key");
    const std::string hosts = "IP:127.0.0.1,DNS:localhost";
    Profile profile;
    std::filesystem::path certFile;
    switch (variant) {
    case CertificateVariant::Valid:
        profile = {"127.0.0.1", false, false, hosts, -kDay, 825 * kDay};
        certFile = folder / "server-valid.pem";
        break;
    case CertificateVariant::Expired:
        profile = {"127.0.0.1", false, false, hosts, -730 * kDay, -365 * kDay};
        certFile = folder / "server-expired.pem";
        break;
    case CertificateVariant::WrongHost:
        profile = {"wrong-host.invalid", false, false, "DNS:wrong-host.invalid", -kDay, 825 * kDay};
        certFile = folder / "server-wrong-host.pem";
        break;
    }
    X509Ptr server = LoadOrIssue(certFile, profile, serverKey.get(), intermediate.get(), intermediateKey.get());

    CertificateSet set;
    set.rootPem = folder / "ca.pem";
    set.rootDer = rootDer;
    set.intermediateDer = ToDer(intermediate.get());
    set.identity.certificate = std::move(server);
    set.identity.intermediate = std::move(intermediate);
    set.identity.key = std::move(serverKey);
    return set;
}

bool InstallIdentity(SSL_CTX& context, const ServerIdentity& identity) {
    return SSL_CTX_use_certificate(&context, identity.certificate.get()) == 1 &&
           SSL_CTX_use_PrivateKey(&context, identity.key.get()) == 1 &&
           SSL_CTX_add1_chain_cert(&context, identity.intermediate.get()) == 1 &&
           SSL_CTX_check_private_key(&context) == 1;
}

} // namespace zumaset::vansim
