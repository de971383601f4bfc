#include "exchange/ca_certificate.h"

#include "core/atomic_file.h"
#include "exchange/openssl_handles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zumaset {

namespace {

// A CA certificate is small; anything larger is not one.
constexpr std::size_t kMaxCertificateBytes = 64 * 1024;

std::string NameLine(const X509_NAME* name) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio) return {};
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

std::string TimeText(const ASN1_TIME* time) {
    std::tm tm{};
    if (ASN1_TIME_to_tm(time, &tm) != 1) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

std::string Fingerprint(const X509* cert) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), digest, &length) != 1) return {};
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : ":%02X", digest[i]);
        text += hex;
    }
    return text;
}

std::string Pem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

X509Ptr ReadOne(std::string_view bytes) {
    X509Ptr cert;
    if (bytes.find("-----BEGIN") != std::string_view::npos) {
        BioPtr bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
        if (bio) cert.reset(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    } else {
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        cert.reset(d2i_X509(nullptr, &data, static_cast<long>(bytes.size())));
        // Trailing bytes after the certificate mean it was something else.
        if (cert && data != reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size()) cert.reset();
    }
    ERR_clear_error();
    return cert;
}

bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

} // namespace

std::optional<CertificateInfo> ParseCertificate(std::string_view bytes, std::string* reason) {
    auto fail = [reason](const char* why) {
        if (reason) *reason = why;
        return std::nullopt;
    };
    if (bytes.empty()) return fail("the reply is empty");
    if (bytes.size() > kMaxCertificateBytes) return fail("larger than 64 KiB, not a certificate");
    X509Ptr cert = ReadOne(bytes);
    if (!cert) return fail("not an X.509 certificate (DER or PEM)");
    CertificateInfo info;
    info.subject = NameLine(X509_get_subject_name(cert.get()));
    info.issuer = NameLine(X509_get_issuer_name(cert.get()));
    info.notBefore = TimeText(X509_get0_notBefore(cert.get()));
    info.notAfter = TimeText(X509_get0_notAfter(cert.get()));
    info.fingerprint = Fingerprint(cert.get());
    info.pem = Pem(cert.get());
    if (info.fingerprint.empty() || info.pem.empty()) return fail("the certificate cannot be read");
    return info;
}

std::string CaFileName(const CertificateInfo& info) {
    std::string hex;
    for (char c : info.fingerprint) {
        if (c != ':') hex += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        if (hex.size() == 16) break;
    }
    return "operator-" + hex + ".pem";
}

StoreResult StoreCaCertificate(const std::filesystem::path& folder, const CertificateInfo& info) {
    StoreResult result;
    result.file = folder / CaFileName(info);
    if (const int error = CreateFolderOwnerOnly(folder); error != 0) {
        result.reason = "cannot create " + folder.string() + ": " + std::strerror(error);
        return result;
    }
    // Written beside its place first, then linked in: link() never replaces
    // a file that is already there.
    const std::filesystem::path temp = folder / (".operator-" + std::to_string(::getpid()) + ".part");
    if (const int error = WriteFileAtomically(temp, info.pem, 0644); error != 0) {
        result.reason = "cannot write " + temp.string() + ": " + std::strerror(error);
        return result;
    }
    const int linked = ::link(temp.c_str(), result.file.c_str()) == 0 ? 0 : errno;
    ::unlink(temp.c_str());
    if (linked == 0) {
        SyncFolder(folder);
        result.outcome = StoreOutcome::Stored;
        return result;
    }
    if (linked == EEXIST) {
        struct stat st {};
        const auto existing =
            ::lstat(result.file.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? ReadWholeFile(result.file) : std::nullopt;
        const auto parsed = existing ? ParseCertificate(*existing) : std::nullopt;
        if (parsed && parsed->fingerprint == info.fingerprint) {
            result.outcome = StoreOutcome::AlreadyPresent;
            return result;
        }
        result.reason = result.file.string() + " exists and holds something else; it is left as it is";
        return result;
    }
    result.reason = "cannot store " + result.file.string() + ": " + std::strerror(linked);
    return result;
}

std::vector<CaFolderEntry> ListCaFolder(const std::filesystem::path& folder) {
    std::vector<CaFolderEntry> entries;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return entries;
    for (const auto& entry : it) {
        if (!entry.is_regular_file(ec) || ec) continue;
        CaFolderEntry item{entry.path().filename().string(), std::nullopt};
        const auto size = entry.file_size(ec);
        if (!ec && size <= kMaxCertificateBytes) {
            if (const auto bytes = ReadWholeFile(entry.path())) item.info = ParseCertificate(*bytes);
        }
        entries.push_back(std::move(item));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return entries;
}

std::optional<std::string> RemoveCaFile(const std::filesystem::path& folder, std::string_view name) {
    if (!PlainName(name)) return "not a file name of the CA folder: " + std::string(name);
    const std::filesystem::path file = folder / std::string(name);
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return "no such file in " + folder.string() + ": " + std::string(name);
    if (!S_ISREG(st.st_mode)) return "not a regular file (a link or other kind is left alone): " + file.string();
    if (::unlink(file.c_str()) != 0) return "cannot remove " + file.string() + ": " + std::strerror(errno);
    SyncFolder(folder);
    return std::nullopt;
}

} // namespace zumaset
