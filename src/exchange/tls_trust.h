#pragma once

#include <curl/curl.h>

#include <filesystem>

namespace zumaset {

// The folder where the operator's CA certificates are installed:
// $XDG_CONFIG_HOME/zumaset/ca/ (default ~/.config/zumaset/ca/).
std::filesystem::path DefaultCaFolder();

// What the server-certificate check trusts beyond the system's CAs.
struct TlsTrust {
    std::filesystem::path caFolder;
};

// Adds every certificate found in the files of `folder` (PEM, several per file
// allowed, or DER) to `store`; unreadable or foreign files are skipped.
// Returns the number of certificates added.
int AddCaFolderToStore(const std::filesystem::path& folder, void* x509Store);

// Installs the server-certificate policy on a transfer: the chain is checked
// against the system's CAs plus the files of `trust.caFolder` (read at each new
// connection, so a freshly installed certificate counts at once), while a
// certificate out of its validity dates or issued for another host name is
// accepted. `trust` must outlive the transfer.
CURLcode ApplyTlsTrust(CURL* easy, const TlsTrust& trust);

} // namespace zumaset
