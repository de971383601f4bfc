#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset::vansim {

// One declarant's account.
struct Account {
    std::string password;
    bool knownForXml = true; // false: uploads of the XML kind are answered "CHYBA ID"
};

// A server directory below a declarant's root, one folder name per element
// (the wire form "novak\CZ510201\" is {"CZ510201"} for the user "novak").
using ServerDir = std::vector<std::string>;

// How a chunk of an upload ended in the store.
enum class ChunkOutcome {
    Kept,       // held until the last chunk comes
    Stored,     // it was the last chunk: the whole file is in received/
    OutOfOrder, // a chunk without its predecessors, or a count that changed
};

// True for a name that is one safe folder or file name: not empty, not "." or
// "..", no "/", "\" or control character. Everything that comes from the wire
// passes this check before it becomes part of a path.
bool IsSafeName(std::string_view name);

// Splits a server path at "\" into safe names; nothing when any part is unsafe.
// Empty parts (a trailing "\") are dropped.
std::optional<std::vector<std::string>> SplitServerPath(std::string_view path);

// The simulator's state, kept in a data folder that people and tests read and write:
//   accounts.txt                 "user:password:xml" or "user:password:-" per line
//   vansim.conf                  settings, re-read on every request
//   requests.log                 one line per request
//   received/<user>/<dir>/<name> whole files as received
//   partial/...                  chunks of files still being uploaded
//   outbox/<user>/<dir>/<name>   files waiting for download
//   scheduled/<user>/<dir>/<name> receipts not yet due (file time = when due)
//   delivered/<user>/<dir>/<name> files the client has acknowledged
//   tls/                         the test CA and server certificates
// All methods are safe to call from several threads.
class DataStore {
public:
    explicit DataStore(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path SettingsFile() const { return root_ / "vansim.conf"; }
    std::filesystem::path RequestLogFile() const { return root_ / "requests.log"; }
    std::filesystem::path TlsFolder() const { return root_ / "tls"; }

    // The accounts as the file holds them now; unreadable lines are skipped.
    std::map<std::string, Account> LoadAccounts() const;

    // Keeps chunk index (1-based) of count for the file; on the last one joins
    // all chunks into received/ (replacing an older file of the same name).
    // Chunk 1 always starts the file afresh. storedFile receives the path of the
    // whole file when the outcome is Stored.
    ChunkOutcome StoreChunk(const std::string& user, bool xmlKind, const ServerDir& dir, const std::string& name,
                            int index, int count, std::string_view bytes, std::filesystem::path& storedFile);

    // Puts a file into the declarant's outbox now, or into scheduled/ until the delay has passed.
    void PlaceReceipt(const std::string& user, const ServerDir& dir, const std::string& name, std::string_view bytes,
                      std::chrono::seconds delay);

    // Moves every scheduled receipt that is due into the outbox.
    void ReleaseDueReceipts();

    // The files waiting for the declarant, each as its path below outbox/<user>, in name order.
    std::vector<std::vector<std::string>> ListWaiting(const std::string& user) const;

    // The bytes of a waiting file given by its path below outbox/ (user first), or nothing.
    std::optional<std::string> ReadWaiting(const std::vector<std::string>& path) const;

    // Moves a waiting file to delivered/; false when it is not waiting.
    bool Acknowledge(const std::vector<std::string>& path);

private:
    std::filesystem::path Under(const std::filesystem::path& base, const std::vector<std::string>& parts) const;
    // Callers hold mutex_.
    void WriteWhole(const std::filesystem::path& file, std::string_view bytes);

    std::filesystem::path root_;
    mutable std::mutex mutex_;
    unsigned tempCounter_ = 0; // names of temporary files under tmp/, guarded by mutex_
};

} // namespace zumaset::vansim
