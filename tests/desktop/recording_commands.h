#pragma once

#include "desktop/klient_commands.h"

#include <string>
#include <vector>

namespace zumaset {

// Notes every command the window asks for, by name ("Send", "ViewLog Error", …).
class RecordingCommands final : public KlientCommands {
public:
    void Send() override { calls.emplace_back("Send"); }
    void Receive() override { calls.emplace_back("Receive"); }
    void Configure() override { calls.emplace_back("Configure"); }
    void ViewLog(LogKind kind) override {
        calls.emplace_back(kind == LogKind::Session      ? "ViewLog Session"
                           : kind == LogKind::Connection ? "ViewLog Connection"
                                                         : "ViewLog Error");
    }
    void Exit() override { calls.emplace_back("Exit"); }

    std::vector<std::string> calls;
};

} // namespace zumaset
