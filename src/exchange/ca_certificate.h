#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// What the user is shown of a certificate before it is trusted.
struct CertificateInfo {
    std::string subject; // one line, as openssl prints it
    std::string issuer;
    std::string notBefore; // "yyyy-mm-dd hh:mm:ss UTC"
    std::string notAfter;
    std::string fingerprint; // SHA-256, "AB:CD:..." upper-case hex
    std::string pem;         // the certificate itself, PEM
};

// Reads one X.509 certificate, DER or PEM. Empty when the bytes are not one;
// `reason` (when given) then says why.
std::optional<CertificateInfo> ParseCertificate(std::string_view bytes, std::string* reason = nullptr);

// The file name a certificate is kept under in the CA folder.
std::string CaFileName(const CertificateInfo& info);

enum class StoreOutcome { Stored, AlreadyPresent, Failed };
struct StoreResult {
    StoreOutcome outcome = StoreOutcome::Failed;
    std::filesystem::path file;
    std::string reason; // for Failed
};

// Stores the certificate in `folder` (created owner-only) under CaFileName,
// atomically. A file of that name that holds the same certificate is left as
// it is; one that holds anything else is never replaced.
StoreResult StoreCaCertificate(const std::filesystem::path& folder, const CertificateInfo& info);

// One file of the CA folder: its name and, when it holds a certificate, the
// first one's details.
struct CaFolderEntry {
    std::string name;
    std::optional<CertificateInfo> info;
};
// The regular files of the folder by name; an absent folder has none.
std::vector<CaFolderEntry> ListCaFolder(const std::filesystem::path& folder);

// Removes the file `name` from `folder`. Only a plain file name of a regular
// file (not a link) directly in the folder is removed. Empty on success,
// otherwise the reason.
std::optional<std::string> RemoveCaFile(const std::filesystem::path& folder, std::string_view name);

} // namespace zumaset
