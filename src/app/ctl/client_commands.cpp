#include "app/ctl/client_commands.h"

#include "app/ctl/exit_codes.h"
#include "app/ctl/terminal_progress.h"
#include "core/text.h"
#include "core/translate.h"
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
    out << FormatText(status.service ? Tr("client: running (%s, started by the service manager)")
                                     : Tr("client: running (%s)"),
                      status.face.c_str())
        << '\n';
    if (status.paused) {
        out << Tr("cycle: paused");
    } else if (status.enabled) {
        out << FormatText(Tr("cycle: timer armed, next tick in %ld s"),
                          static_cast<long>((status.intervalMs + 500) / 1000));
    } else {
        out << Tr("cycle: timer stopped");
    }
    out << '\n';
    out << FormatText(Tr("files sent: %ld"), static_cast<long>(status.sent)) << '\n';
    out << FormatText(Tr("files received: %ld"), static_cast<long>(status.received)) << '\n';
    if (status.transfer)
        out << FormatText(Tr("transferring: %s"), TerminalProgress::Line(TransferStateOf(*status.transfer), {}).c_str())
            << '\n';
    if (!status.activity.empty()) {
        out << Tr("last activity:") << '\n';
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

std::optional<int> FailedOrRefused(const ControlReply& reply, const char* refused, const CtlOutput& output) {
    if (reply.state == ControlReply::State::Failed) {
        output.err << "zumasetctl: " << EscapeControlChars(reply.error) << '\n';
        return kExitCannotRun;
    }
    if (std::string error = ResultError(reply.result); !error.empty()) {
        output.err << "zumasetctl: " << FormatText(Tr(refused), EscapeControlChars(error).c_str()) << '\n';
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
            output.out << FormatText(Tr("no client is running with the settings in %s"), Shown(registryFile).c_str())
                       << '\n';
        return kExitCannotRun;
    case ControlReply::State::Failed:
    case ControlReply::State::Answered: break;
    }
    if (auto failed = FailedOrRefused(reply, N_("the running client refused: %s"), output)) return *failed;
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
        output.out << FormatText(Tr("no client is running with the settings in %s; it reads them when it starts"),
                                 Shown(registryFile).c_str())
                   << '\n';
        return kExitOk;
    case ControlReply::State::Failed:
    case ControlReply::State::Answered: break;
    }
    if (auto failed = FailedOrRefused(reply, N_("the running client refused to reload: %s"), output)) return *failed;
    output.out << Tr("the running client reloads its settings before its next pass") << '\n';
    return kExitOk;
}

int SignalClient(const std::filesystem::path& registryFile, CycleSignal signal, const CtlOutput& output) {
    const ControlReply reply = Ask(registryFile, ControlCommand::Status);
    switch (reply.state) {
    case ControlReply::State::NotRunning:
        output.err << "zumasetctl: "
                   << FormatText(Tr("no client is running with the settings in %s"), Shown(registryFile).c_str())
                   << '\n';
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
        output.err << "zumasetctl: " << Tr("the running client does not say which process it is") << '\n';
        return kExitCannotRun;
    }
    const bool pause = signal == CycleSignal::Pause;
    if (::kill(static_cast<pid_t>(status.pid), pause ? SIGUSR1 : SIGUSR2) != 0) {
        const int error = errno;
        output.err << "zumasetctl: "
                   << FormatText(Tr("cannot signal the client (process %ld): %s"), static_cast<long>(status.pid),
                                 std::strerror(error))
                   << '\n';
        return kExitCannotRun;
    }
    output.out << (pause ? Tr("the running client pauses its transfer cycle (a pass under way finishes first)")
                         : Tr("the running client continues its transfer cycle"))
               << '\n';
    return kExitOk;
}

int ReloadAfterWrite(const std::filesystem::path& registryFile, const CtlOutput& output) {
    const ControlReply reply = Ask(registryFile, ControlCommand::Reload);
    if (reply.state == ControlReply::State::NotRunning) return kExitOk;
    std::string error = reply.state == ControlReply::State::Failed ? reply.error : ResultError(reply.result);
    if (error.empty()) {
        output.out << Tr("the running client reloads its settings before its next pass") << '\n';
        return kExitOk;
    }
    output.err << FormatText(Tr("the settings are written, but the running client could not be asked to use them "
                                "(%s); run: zumasetctl reload"),
                             EscapeControlChars(error).c_str())
               << '\n';
    return kExitFailure;
}

} // namespace zumaset
