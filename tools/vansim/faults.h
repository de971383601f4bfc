#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset::vansim {

// What a fault rule does to a request it matches.
enum class FaultAction {
    Status,           // answer with the given HTTP status, the page does nothing
    Redirect,         // answer 302, the page does nothing
    Drop,             // close the connection before any answer, the page does nothing
    DropMiddle,       // the page runs; the connection closes halfway through the body
    StallBefore,      // wait the given seconds, then run the page normally
    StallMiddle,      // the page runs; the body stops halfway for the given seconds
    Trickle,          // the page runs; the body goes out at the given bytes per second
    Drip,             // the page runs; the body goes out one byte every given milliseconds
    Endless,          // the page runs; its body is followed by filler without end
    NoLength,         // the page runs; the body goes out without a length, then the connection closes
    NoLengthNoNotify, // as NoLength, but the connection closes without the TLS end signal
    WrongCrc,         // an upload is not taken; the answer is a wrong checksum
};

// One rule: "PAGE ACTION [VALUE] [file=NAME] [chunk=N] [times=N]".
// PAGE is a page's file name ("upload_prg.asp") or "*"; file= matches the
// uploaded or fetched file's name; chunk= an upload's chunk number; times= how
// often the rule fires before it is spent (unlimited without it).
struct FaultRule {
    std::string text;
    std::string page = "*";
    std::string file;
    int chunk = 0;
    int times = 0;
    FaultAction action = FaultAction::Status;
    int value = 0;
};

// Reads one rule; on a mistake gives nothing and says why in error.
std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error);

// Picks the first rule that matches a request and remembers how often each
// limited rule fired, so a "times=1" rule stays spent while the settings file
// is re-read on every request. Safe to use from several threads.
class FaultBook {
public:
    std::optional<FaultRule> Pick(const std::vector<FaultRule>& rules, std::string_view page, std::string_view file,
                                  int chunk);

private:
    std::mutex mutex_;
    std::map<std::string, int> fired_;
};

} // namespace zumaset::vansim
