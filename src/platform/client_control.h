#pragma once

#include "core/client_model.h"
#include "core/logs.h"
#include "platform/control_server.h"
#include "shell/cycle_timer.h"
#include "shell/pass_worker.h"
#include "shell/transfer_cycle.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace zumaset {

// What the running client answers on its control channel: the passes asked
// by the command-line companion run on the client's own pass thread (after
// the pass that runs now), the register and the status come from the client's
// memory, and a second start of the client makes it show itself.
//
// Requests arrive on the control server's threads. The client hands it every
// change of its model and every log line (on the thread that made them) so
// that a pass asked for here is answered with the lines it produced.
class ClientControl {
public:
    struct Parts {
        ClientRuntime& runtime;
        TransferCycle& cycle;
        PassWorker& worker;
        const CycleTimer& timer;
        std::string face; // "desktop" or "headless"
        // Shows the window in front (called on a control thread; it must hand the work on).
        std::function<void()> raise;
        // Takes the stored settings between passes.
        std::function<void()> reload;
    };

    explicit ClientControl(Parts parts) : parts_(std::move(parts)) {}

    void Handle(const ControlRequest& request, ReplyWriter& reply);

    // The model changed (pass thread): new activity lines go to the pass being answered.
    void OnModelChange(ClientModel::Change change);
    // A log line was written (pass thread): error-log lines go to the pass being answered.
    void OnLogLine(LogKind kind, std::string_view line);

    // How many of the last activity lines status shows.
    static constexpr std::size_t kStatusActivityLines = 10;

private:
    void RunPass(ControlCommand command, ReplyWriter& reply);
    void ShowRegister(ReplyWriter& reply);
    void ShowStatus(ReplyWriter& reply);

    Parts parts_;
    // The pass being answered; touched on the pass thread only, while it runs.
    ReplyWriter* capturing_ = nullptr;
    std::vector<std::string> activity_;
    std::vector<std::string> errors_;
    std::size_t seenActivity_ = 0;
};

} // namespace zumaset
