#pragma once

#include <atomic>
#include <curl/curl.h>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zumaset {

// The system's CA bundle as libcurl was built to use it; empty when unknown.
std::filesystem::path DefaultSystemCaFile();

// Adds every certificate found in the files of `folder` (PEM, several per file
// allowed, or DER) to `store`; unreadable or foreign files are skipped.
// Returns the number of certificates added.
int AddCaFolderToStore(const std::filesystem::path& folder, void* x509Store);

// The certificates a server check trusts at one moment: the system's CAs and
// those of the CA folder in one store, plus the CA folder's own for the rule
// on host names. Immutable once built; shared by every connection using it.
struct TrustSnapshot;

// The trust store of the process. The system bundle is read once; the CA
// folder is looked at (names, sizes, dates) at each new connection and read
// again only when it changed, so a freshly installed certificate counts at
// once while a pass of many connections parses nothing twice.
class TrustCache {
public:
    TrustCache(std::filesystem::path caFolder, std::filesystem::path systemCaFile);
    ~TrustCache();
    TrustCache(const TrustCache&) = delete;
    TrustCache& operator=(const TrustCache&) = delete;

    std::shared_ptr<const TrustSnapshot> Current();

private:
    struct FolderEntry;
    std::vector<FolderEntry> ScanFolder() const;

    std::filesystem::path caFolder_;
    std::filesystem::path systemCaFile_;
    std::mutex mutex_;
    bool systemLoaded_ = false;
    std::shared_ptr<const TrustSnapshot> system_; // the system CAs alone
    std::vector<FolderEntry> folderSeen_;
    std::shared_ptr<const TrustSnapshot> current_;
};

// What one request's server check accepts.
struct PeerPolicy {
    std::shared_ptr<TrustCache> trust;
    // The connection test: a certificate out of its dates or for another host
    // name is refused. Otherwise both are forgiven, a name only for a
    // certificate that chains to a CA of the CA folder or names one of
    // `knownHosts`.
    bool strict = false;
    std::vector<std::string> knownHosts; // host names of the configured servers
};

// Installs the server-certificate check on a transfer: the chain must lead to
// a CA of the system or of the CA folder, and the policy decides on dates and
// names. `policy` must outlive the transfer's handshakes; each connection
// keeps what it needs of it for its own life.
CURLcode ApplyTlsTrust(CURL* easy, const PeerPolicy& policy);

// Has `flag` set when the TLS end signal (close_notify) of the connection the
// transfer now uses arrives. libcurl takes a connection that simply ends for
// the end of a reply without a length; this tells a proper end from a cut.
void WatchTlsEndSignal(CURL* easy, std::shared_ptr<std::atomic<bool>> flag);

} // namespace zumaset
