#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zumaset {

// What one nmcli run gave: its exit status (or the number that stands for a
// run that did not end by itself) and its output.
struct NmcliAnswer {
    int code = 0; // 0: success; otherwise nmcli's exit status, see NmcliCode
    std::string out;
    std::string err;

    bool ok() const { return code == 0; }
    // nmcli's own words on a failure: the first line it wrote to standard
    // error, without its "Error: " prefix. Empty when it said nothing.
    std::string Message() const;
    // The standard output of a terse query, line by line, split into fields.
    std::vector<std::vector<std::string>> Rows() const;
};

// The numbers a run is reported with when nmcli did not end by itself, in the
// numbering a shell uses.
namespace nmcli_code {
inline constexpr int kTimeout = 3;       // nmcli's own number for an expired --wait
inline constexpr int kNotRunning = 8;    // NetworkManager is not running
inline constexpr int kCannotStart = 126; // found but could not be started
inline constexpr int kNotFound = 127;    // no nmcli on PATH
inline constexpr int kSignalled = 128;   // + the signal that ended it
} // namespace nmcli_code

// Runs NetworkManager's command-line client. Its texts come in the neutral
// locale (C.UTF-8: untranslated messages, connection names kept in UTF-8),
// and every run has a deadline after which it is killed.
class Nmcli {
public:
    struct Options {
        std::string program = "nmcli"; // looked up on PATH
        std::chrono::milliseconds queryTimeout{10'000};
        // Added to a command's own --wait before the run is killed.
        std::chrono::milliseconds grace{15'000};
    };

    Nmcli() = default;
    explicit Nmcli(Options options) : options_(std::move(options)) {}

    // A terse query: nmcli --terse --fields FIELDS ARGS...
    NmcliAnswer Query(const std::string& fields, const std::vector<std::string>& args) const;
    // A command that waits for NetworkManager: nmcli --wait SECONDS ARGS...
    NmcliAnswer Command(std::chrono::seconds wait, const std::vector<std::string>& args) const;

private:
    NmcliAnswer Run(std::vector<std::string> argv, std::chrono::milliseconds timeout) const;

    Options options_;
};

} // namespace zumaset
