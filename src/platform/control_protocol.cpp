#include "platform/control_protocol.h"

#include <array>
#include <utility>

namespace zumaset {

namespace {

using nlohmann::json;

constexpr std::array<std::pair<ControlCommand, std::string_view>, 7> kCommandNames{{
    {ControlCommand::Raise, "raise"},
    {ControlCommand::Send, "send"},
    {ControlCommand::Receive, "receive"},
    {ControlCommand::Cycle, "cycle"},
    {ControlCommand::Register, "register"},
    {ControlCommand::Status, "status"},
    {ControlCommand::Reload, "reload"},
}};

// The member `name` of `line` when it is a string; empty otherwise.
std::string Text(const json& line, const char* name) {
    auto it = line.find(name);
    return it != line.end() && it->is_string() ? it->get<std::string>() : std::string();
}

template <typename Number> Number Count(const json& line, const char* name) {
    auto it = line.find(name);
    return it != line.end() && it->is_number() ? it->get<Number>() : Number{};
}

bool Flag(const json& line, const char* name) {
    auto it = line.find(name);
    return it != line.end() && it->is_boolean() && it->get<bool>();
}

std::vector<std::string> Lines(const json& line, const char* name) {
    std::vector<std::string> lines;
    auto it = line.find(name);
    if (it == line.end() || !it->is_array()) return lines;
    for (const json& item : *it)
        if (item.is_string()) lines.push_back(item.get<std::string>());
    return lines;
}

json Result() {
    return json{{"event", "result"}};
}

ProgressEvent ProgressFromJson(const json& line) {
    return {Text(line, "file"), Text(line, "direction"), Count<std::uint64_t>(line, "done"),
            Count<std::uint64_t>(line, "total")};
}

json ProgressMembers(const ProgressEvent& event) {
    return json{{"file", event.file}, {"direction", event.direction}, {"done", event.done}, {"total", event.total}};
}

} // namespace

std::string_view CommandName(ControlCommand command) {
    for (const auto& [value, name] : kCommandNames)
        if (value == command) return name;
    return {};
}

std::optional<ControlCommand> ParseCommand(std::string_view name) {
    for (const auto& [value, known] : kCommandNames)
        if (known == name) return value;
    return std::nullopt;
}

json ToJson(const ActivityEvent& event) {
    return json{{"event", "activity"}, {"text", event.text}};
}

json ToJson(const ProgressEvent& event) {
    json line = ProgressMembers(event);
    line["event"] = "progress";
    return line;
}

json ToJson(const PassResult& result) {
    json line = Result();
    line["status"] = result.status;
    line["missing"] = result.missing;
    if (!result.detail.empty()) line["detail"] = result.detail;
    line["activity"] = result.activity;
    line["errors"] = result.errors;
    line["sent"] = result.sent;
    line["received"] = result.received;
    line["awaiting"] = result.awaiting;
    return line;
}

json ToJson(const RegisterResult& result) {
    json records = json::array();
    for (const RegisterEntry& record : result.records)
        records.push_back({{"CuCode", record.cuCode},
                           {"SendAs", record.sendAs},
                           {"PathName", record.pathName},
                           {"SendTime", record.sendTime}});
    json line = Result();
    line["records"] = std::move(records);
    return line;
}

json ToJson(const StatusResult& result) {
    json line = Result();
    line["face"] = result.face;
    line["interval_ms"] = result.intervalMs;
    line["enabled"] = result.enabled;
    line["paused"] = result.paused;
    line["service"] = result.service;
    line["pid"] = result.pid;
    line["sent"] = result.sent;
    line["received"] = result.received;
    line["activity"] = result.activity;
    line["transfer"] = result.transfer ? ProgressMembers(*result.transfer) : json(nullptr);
    return line;
}

json OkResult() {
    json line = Result();
    line["ok"] = true;
    return line;
}

json ErrorResult(std::string_view text) {
    json line = Result();
    line["error"] = std::string(text);
    return line;
}

std::optional<ControlEvent> EventFromJson(const json& line) {
    if (!line.is_object()) return std::nullopt;
    std::string kind = Text(line, "event");
    if (kind == "activity") return ActivityEvent{Text(line, "text")};
    if (kind == "progress") return ProgressFromJson(line);
    return std::nullopt;
}

bool IsResult(const json& line) {
    return line.is_object() && Text(line, "event") == "result";
}

PassResult PassResultFromJson(const json& line) {
    PassResult result;
    if (!line.is_object()) return result;
    if (std::string status = Text(line, "status"); !status.empty()) result.status = std::move(status);
    result.missing = Lines(line, "missing");
    result.detail = Text(line, "detail");
    result.activity = Lines(line, "activity");
    result.errors = Lines(line, "errors");
    result.sent = Count<long>(line, "sent");
    result.received = Count<long>(line, "received");
    result.awaiting = Count<long>(line, "awaiting");
    return result;
}

RegisterResult RegisterResultFromJson(const json& line) {
    RegisterResult result;
    if (!line.is_object()) return result;
    auto it = line.find("records");
    if (it == line.end() || !it->is_array()) return result;
    for (const json& record : *it) {
        if (!record.is_object()) continue;
        result.records.push_back(
            {Text(record, "CuCode"), Text(record, "SendAs"), Text(record, "PathName"), Text(record, "SendTime")});
    }
    return result;
}

StatusResult StatusResultFromJson(const json& line) {
    StatusResult result;
    if (!line.is_object()) return result;
    if (std::string face = Text(line, "face"); !face.empty()) result.face = std::move(face);
    result.intervalMs = Count<long>(line, "interval_ms");
    result.enabled = Flag(line, "enabled");
    result.paused = Flag(line, "paused");
    result.service = Flag(line, "service");
    result.pid = Count<long>(line, "pid");
    result.sent = Count<long>(line, "sent");
    result.received = Count<long>(line, "received");
    result.activity = Lines(line, "activity");
    if (auto it = line.find("transfer"); it != line.end() && it->is_object()) result.transfer = ProgressFromJson(*it);
    return result;
}

std::string ResultError(const json& line) {
    return IsResult(line) ? Text(line, "error") : std::string();
}

json RequestJson(ControlCommand command) {
    return json{{"command", std::string(CommandName(command))}};
}

} // namespace zumaset
