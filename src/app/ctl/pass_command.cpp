#include "app/ctl/pass_command.h"

#include "app/ctl/exit_codes.h"
#include "app/ctl/terminal_progress.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/paths.h"
#include "core/registry_file.h"
#include "core/text.h"
#include "core/translate.h"
#include "platform/control_client.h"
#include "platform/control_results.h"
#include "platform/instance_lock.h"
#include "platform/network_manager_dial_up.h"
#include "platform/smtp_mail_notices.h"
#include "shell/client_runtime.h"

#include <memory>
#include <ostream>

namespace zumaset {

namespace {

void PrintActivity(const std::string& line, const CtlOutput& output) {
    if (output.progress != nullptr) output.progress->OnTransferEnd();
    output.out << EscapeControlChars(line) << '\n' << std::flush;
}

// Asks the running client for the pass; nothing when no client runs.
std::optional<int> ForwardPass(PassKind kind, const std::filesystem::path& registryFile, const CtlOutput& output) {
    bool heard = false;
    const ControlReply reply = ControlClient(registryFile).Request(PassRequest(kind), [&](const ControlEvent& event) {
        heard = true;
        if (const auto* activity = std::get_if<ActivityEvent>(&event)) {
            if (!output.json) PrintActivity(activity->text, output);
        } else if (output.progress != nullptr) {
            output.progress->OnTransferProgress(TransferStateOf(std::get<ProgressEvent>(event)));
        }
    });
    if (output.progress != nullptr) output.progress->OnTransferEnd();
    switch (reply.state) {
    case ControlReply::State::NotRunning: return std::nullopt;
    case ControlReply::State::Failed:
        // A runtime folder nobody can use holds no client either: the pass
        // runs here, under the pass lock.
        if (!heard && !InstanceLock::Running(registryFile)) return std::nullopt;
        output.err << "zumasetctl: " << EscapeControlChars(reply.error) << '\n';
        return heard ? kExitFailure : kExitCannotRun;
    case ControlReply::State::Answered: break;
    }
    if (std::string error = ResultError(reply.result); !error.empty()) {
        output.err << "zumasetctl: "
                   << FormatText(Tr("the running client refused the pass: %s"), EscapeControlChars(error).c_str())
                   << '\n';
        return kExitCannotRun;
    }
    return ReportPass(kind, PassResultFromJson(reply.result), !output.json, output);
}

int RunLocalPass(PassKind kind, const std::filesystem::path& registryFile, const Paths& paths, Transport& transport,
                 const CtlOutput& output) {
    RegistryFile registry(registryFile);
    SystemClock clock;
    StreamMessageBoxes boxes(output.err);
    MailNoticeRelay mail;
    // The notices read the runtime's settings, so they are made with it; held
    // here so they outlive it.
    std::unique_ptr<SmtpMailNotices> smtp;
    ClientRuntime runtime({registry, clock, boxes, mail, transport,
                           [](const Settings& settings, const FailureReporter& reporter) {
                               return std::make_unique<NetworkManagerDialUp>(settings, reporter);
                           },
                           paths, registryFile, "zumasetctl"});
    smtp = std::make_unique<SmtpMailNotices>(runtime.settings(), runtime.logs(), boxes, "zumasetctl");
    mail.SetTarget(smtp.get());
    PassResult result;
    runtime.logs().SetLineObserver([&result](LogKind kind, std::string_view line) {
        if (kind == LogKind::Error) result.errors.emplace_back(line);
    });
    // New lines are printed as they come; a trim of the list prints nothing.
    std::size_t shown = 0;
    runtime.model().SetObserver([&](ClientModel::Change change) {
        if (change == ClientModel::Change::Transfer && output.progress != nullptr) {
            if (const auto transfer = runtime.model().transfer())
                output.progress->OnTransferProgress(*transfer);
            else
                output.progress->OnTransferEnd();
            return;
        }
        if (change != ClientModel::Change::Activity || output.json) return;
        const auto activity = runtime.model().activity();
        for (std::size_t i = shown; i < activity.size(); ++i) PrintActivity(activity[i], output);
        shown = activity.size();
    });
    runtime.StartUp();
    const PassOutcome outcome = runtime.RunPass(kind);
    // No later pass of this process will drop a line it dialled: it goes now.
    if (runtime.settings().RASMode) runtime.HangUp();
    result.status = PassStatusName(outcome.status);
    result.missing = outcome.missing;
    const std::string registerFile = RegisterFilePath(runtime.logs()).string();
    result.detail = PassRefusalText(outcome.status, registryFile.string(), runtime.settings().SourcePath, registerFile);
    if (outcome.status != PassOutcome::Status::Ran && outcome.status != PassOutcome::Status::EndedEarly)
        return ReportPass(kind, result, !output.json, output);

    const bool registerSaved = runtime.ShutDown();
    const auto activity = runtime.model().activity();
    result.activity.assign(activity.begin(), activity.end());
    result.sent = runtime.model().sendCount();
    result.received = runtime.model().getCount();
    result.awaiting = static_cast<long>(runtime.sentFiles().records().size());
    const int status = ReportPass(kind, result, !output.json, output);
    if (!registerSaved) {
        output.err << FormatText(Tr("the register of sent files could not be saved to %s; replies to these files may "
                                    "land in the inbound folder itself (see the error log)"),
                                 EscapeControlChars(registerFile).c_str())
                   << '\n';
        return kExitFailure;
    }
    return status;
}

nlohmann::json SummaryJson(const PassResult& result) {
    nlohmann::json summary = ToJson(result);
    summary.erase("event");
    return summary;
}

} // namespace

ControlCommand PassRequest(PassKind kind) {
    switch (kind) {
    case PassKind::Send: return ControlCommand::Send;
    case PassKind::Receive: return ControlCommand::Receive;
    case PassKind::Cycle: return ControlCommand::Cycle;
    }
    return ControlCommand::Cycle;
}

int ReportPass(PassKind kind, const PassResult& result, bool activityPrinted, const CtlOutput& output) {
    if (output.json)
        output.out << SummaryJson(result).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    if (result.status == "settings-missing") {
        std::string names;
        for (const auto& name : result.missing) names += (names.empty() ? "" : " ") + name;
        output.err << FormatText(TrN("cannot run the pass, this setting is empty: %s (set it with: zumasetctl config "
                                     "set NAME VALUE)",
                                     "cannot run the pass, these settings are empty: %s (set them with: zumasetctl "
                                     "config set NAME VALUE)",
                                     result.missing.size()),
                                 names.c_str())
                   << '\n';
        return kExitCannotRun;
    }
    if (result.status == "busy" || result.status == "register-refused") {
        output.err << (result.detail.empty() ? Tr("a transfer pass is already running; nothing was done")
                                             : EscapeControlChars(result.detail))
                   << '\n';
        return kExitCannotRun;
    }
    if (!output.json) {
        if (!activityPrinted)
            for (const auto& line : result.activity) output.out << EscapeControlChars(line) << '\n';
        if (kind != PassKind::Receive)
            output.out << FormatText(Tr("files sent: %ld"), static_cast<long>(result.sent)) << '\n';
        if (kind != PassKind::Send)
            output.out << FormatText(Tr("files received: %ld"), static_cast<long>(result.received)) << '\n';
        output.out << FormatText(Tr("sent files awaiting receipts: %ld"), static_cast<long>(result.awaiting)) << '\n';
    }
    for (const auto& line : result.errors) output.err << EscapeControlChars(line) << '\n';
    if (result.status == "ended-early") {
        output.err << Tr("the pass ended early on an error (see the error log)") << '\n';
        return kExitFailure;
    }
    return result.errors.empty() ? kExitOk : kExitFailure;
}

int RunPassCommand(PassKind kind, const std::filesystem::path& registryFile, const Paths& paths, Transport& transport,
                   const CtlOutput& output) {
    if (std::optional<int> forwarded = ForwardPass(kind, registryFile, output)) return *forwarded;
    return RunLocalPass(kind, registryFile, paths, transport, output);
}

} // namespace zumaset
