#include "app/ctl/client_commands.h"

#include "app/ctl/exit_codes.h"
#include "app/ctl/terminal_progress.h"
#include "core/text.h"
#include "platform/control_client.h"
#include "platform/instance_lock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ostream>

namespace zumaset {

namespace {

std::string Shown(const std::filesystem::path& file) {
    return EscapeControlChars(file.string());
}

void PrintStatus(const StatusResult& status, const CtlOutput& output) {
    std::ostream& out = output.out;
    out << "client: running (" << status.face << (status.service ? ", started by the service manager" : "") << ")\n";
    out << "cycle: ";
    if (status.paused) {
        out << "paused";
    } else if (status.enabled) {
        out << "timer armed, next tick in " << (status.intervalMs + 500) / 1000 << " s";
    } else {
        out << "timer stopped";
    }
    out << '\n';
    out << "files sent: " << status.sent << '\n';
    out << "files received: " << status.received << '\n';
    if (status.transfer)
        out << "transferring: " << TerminalProgress::Line(TransferStateOf(*status.transfer), {}) << '\n';
    if (!status.activity.empty()) {
        out << "last activity:\n";
        for (const auto& line : status.activity) out << "  " << EscapeControlChars(line) << '\n';
    }
}

// A request whose answer is not pass output; Failed turns into NotRunning
// when no client holds the lock (a runtime folder nobody can use).
ControlReply Ask(const std::filesystem::path& registryFile, ControlCommand command) {
    ControlReply reply = ControlClient(registryFile).Request(command);
    if (reply.state == ControlReply::State::Failed && !InstanceLock::Running(registryFile)) return {};
    return reply;
}

} // namespace

std::optional<int> FailedOrRefused(const ControlReply& reply, std::string_view refused, const CtlOutput& output) {
    if (reply.state == ControlReply::State::Failed) {
        output.err << "zumasetctl: " << EscapeControlChars(reply.error) << '\n';
        return kExitCannotRun;
    }
    if (std::string error = ResultError(reply.result); !error.empty()) {
        output.err << "zumasetctl: the running client " << refused << ": " << EscapeControlChars(error) << '\n';
        return kExitCannotRun;
    }
    return std::nullopt;
}

int ShowClientStatus(const std::filesystem::path& registryFile, const CtlOutput& output) {
    const ControlReply reply = Ask(registryFile, ControlCommand::Status);
    switch (reply.state) {
    case ControlReply::State::NotRunning:
        if (output.json)
            output.out << nlohmann::json{{"running", false}}.dump(2) << '\n';
        else
            output.out << "no client is running with the settings in " << Shown(registryFile) << '\n';
        return kExitCannotRun;
    case ControlReply::State::Failed:
    case ControlReply::State::Answered: break;
    }
    if (auto failed = FailedOrRefused(reply, "refused", output)) return *failed;
    const StatusResult status = StatusResultFromJson(reply.result);
    if (output.json) {
        nlohmann::json document = ToJson(status);
        document.erase("event");
        document["running"] = true;
        output.out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        PrintStatus(status, output);
    }
    return kExitOk;
}

int ReloadClient(const std::filesystem::path& registryFile, const CtlOutput& output) {
    const ControlReply reply = Ask(registryFile, ControlCommand::Reload);
    switch (reply.state) {
    case ControlReply::State::NotRunning:
        output.out << "no client is running with the settings in " << Shown(registryFile)
                   << "; it reads them when it starts\n";
        return kExitOk;
    case ControlReply::State::Failed:
    case ControlReply::State::Answered: break;
    }
    if (auto failed = FailedOrRefused(reply, "refused to reload", output)) return *failed;
    output.out << "the running client reloads its settings before its next pass\n";
    return kExitOk;
}

int SignalClient(const std::filesystem::path& registryFile, CycleSignal signal, const CtlOutput& output) {
    const ControlReply reply = Ask(registryFile, ControlCommand::Status);
    switch (reply.state) {
    case ControlReply::State::NotRunning:
        output.err << "zumasetctl: no client is running with the settings in " << Shown(registryFile) << '\n';
        return kExitCannotRun;
    case ControlReply::State::Failed:
        output.err << "zumasetctl: " << EscapeControlChars(reply.error) << '\n';
        return kExitCannotRun;
    case ControlReply::State::Answered: break;
    }
    const StatusResult status = StatusResultFromJson(reply.result);
    // Only the client that holds these settings' lock answers on their
    // channel, so the number is that client's; an older one names none.
    if (status.pid <= 0) {
        output.err << "zumasetctl: the running client does not say which process it is\n";
        return kExitCannotRun;
    }
    const bool pause = signal == CycleSignal::Pause;
    if (::kill(static_cast<pid_t>(status.pid), pause ? SIGUSR1 : SIGUSR2) != 0) {
        output.err << "zumasetctl: cannot signal the client (process " << status.pid << "): " << std::strerror(errno)
                   << '\n';
        return kExitCannotRun;
    }
    output.out << (pause ? "the running client pauses its transfer cycle (a pass under way finishes first)\n"
                         : "the running client continues its transfer cycle\n");
    return kExitOk;
}

int ReloadAfterWrite(const std::filesystem::path& registryFile, const CtlOutput& output) {
    const ControlReply reply = Ask(registryFile, ControlCommand::Reload);
    if (reply.state == ControlReply::State::NotRunning) return kExitOk;
    std::string error = reply.state == ControlReply::State::Failed ? reply.error : ResultError(reply.result);
    if (error.empty()) {
        output.out << "the running client reloads its settings before its next pass\n";
        return kExitOk;
    }
    output.err << "the settings are written, but the running client could not be asked to use them ("
               << EscapeControlChars(error) << "); run: zumasetctl reload\n";
    return kExitFailure;
}

} // namespace zumaset
