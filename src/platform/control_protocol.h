#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zumaset {

// The messages of the control channel between a running client and the
// command-line companion. A request is one JSON line {"command": NAME}; the
// reply is zero or more event lines followed by one result line, each a JSON
// object with an "event" member. Both sides build and read the lines through
// these types only.

enum class ControlCommand { Raise, Send, Receive, Cycle, Register, Status, Reload };

std::string_view CommandName(ControlCommand command);
std::optional<ControlCommand> ParseCommand(std::string_view name);

// One line of the activity list, sent as the pass writes it.
struct ActivityEvent {
    std::string text;
};

// How far the file being sent or fetched has gone.
struct ProgressEvent {
    std::string file;
    std::string direction; // "send" or "receive"
    std::uint64_t done = 0;
    std::uint64_t total = 0; // 0 while unknown
};

using ControlEvent = std::variant<ActivityEvent, ProgressEvent>;

// The result of send, receive and cycle.
struct PassResult {
    // "ran", "ended-early", "settings-missing", "busy" or "register-refused"
    std::string status = "ran";
    std::vector<std::string> missing;  // the empty settings the pass needs
    std::string detail;                // why a pass that did not run was refused ("detail", when set)
    std::vector<std::string> activity; // the activity lines the pass wrote
    std::vector<std::string> errors;   // the error-log lines the pass wrote
    long sent = 0;                     // files sent by the pass
    long received = 0;                 // files received by the pass
    long awaiting = 0;                 // sent files still waiting for their receipt
};

// One record of the register of sent files.
struct RegisterEntry {
    std::string cuCode;
    std::string sendAs;
    std::string pathName;
    std::string sendTime;
};

struct RegisterResult {
    std::vector<RegisterEntry> records;
};

struct StatusResult {
    std::string face = "headless"; // "desktop" or "headless"
    long intervalMs = 0;           // the cycle timer's current interval
    bool enabled = false;          // the cycle timer is armed
    bool paused = false;           // the user or the service manager paused the cycle
    bool service = false;          // started by the service manager
    long pid = 0;                  // the client's process, for the signals that pause and continue it
    long sent = 0;                 // the window's counters
    long received = 0;
    std::vector<std::string> activity;     // the last lines of the activity list
    std::optional<ProgressEvent> transfer; // the file being transferred, if any
};

// Every line of a reply, as JSON.
nlohmann::json ToJson(const ActivityEvent& event);
nlohmann::json ToJson(const ProgressEvent& event);
nlohmann::json ToJson(const PassResult& result);
nlohmann::json ToJson(const RegisterResult& result);
nlohmann::json ToJson(const StatusResult& result);
// {"event":"result","ok":true}: the answer to raise and reload.
nlohmann::json OkResult();
// {"event":"result","error":text}: a request that could not be served.
nlohmann::json ErrorResult(std::string_view text);

// Reading lines back. Missing members take their defaults, so an older or
// newer peer still gets through; nothing when the line is not of that kind.
std::optional<ControlEvent> EventFromJson(const nlohmann::json& line);
bool IsResult(const nlohmann::json& line);
PassResult PassResultFromJson(const nlohmann::json& line);
RegisterResult RegisterResultFromJson(const nlohmann::json& line);
StatusResult StatusResultFromJson(const nlohmann::json& line);
// The text of an error result; empty for any other line.
std::string ResultError(const nlohmann::json& line);

// The request line for `command`.
nlohmann::json RequestJson(ControlCommand command);

} // namespace zumaset
