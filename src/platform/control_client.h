#pragma once

#include "platform/control_protocol.h"

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace zumaset {

// What became of a request to the running client.
struct ControlReply {
    enum class State {
        Answered,   // `result` holds the result line
        NotRunning, // no client serves this settings file
        Failed,     // the channel broke down (`error` says how)
    };
    State state = State::NotRunning;
    nlohmann::json result;
    std::string error;
};

// Asks the client that runs with a settings file to do something, over its
// control channel, and waits for the answer.
class ControlClient {
public:
    using EventHandler = std::function<void(const ControlEvent& event)>;

    explicit ControlClient(std::filesystem::path registryFile) : registryFile_(std::move(registryFile)) {}

    // Sends `command`; `onEvent` is called, on the calling thread, for every
    // activity and progress line as it arrives.
    ControlReply Request(ControlCommand command, const EventHandler& onEvent = {}) const;

private:
    std::filesystem::path registryFile_;
};

} // namespace zumaset
