#include "app/ctl/pass_command.h"

#include "app/ctl/exit_codes.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/paths.h"
#include "core/registry_file.h"
#include "core/text.h"
#include "platform/network_manager_dial_up.h"
#include "shell/client_runtime.h"

#include <memory>
#include <ostream>

namespace zumaset {

int RunPassCommand(PassKind kind, const std::filesystem::path& registryFile, const Paths& paths, Transport& transport,
                   std::ostream& out, std::ostream& err) {
    RegistryFile registry(registryFile);
    SystemClock clock;
    StreamMessageBoxes boxes(err);
    DroppedMailNotices mail;
    ClientRuntime runtime({registry, clock, boxes, mail, transport,
                           [](const Settings& settings, const FailureReporter& reporter) {
                               return std::make_unique<NetworkManagerDialUp>(settings, reporter);
                           },
                           paths, registryFile, "zumasetctl"});
    runtime.StartUp();
    const PassOutcome outcome = runtime.RunPass(kind);
    // No later pass of this process will drop a line it dialled: it goes now.
    if (runtime.settings().RASMode) runtime.HangUp();
    using Status = PassOutcome::Status;
    switch (outcome.status) {
    case Status::Ran:
    case Status::EndedEarly: break;
    case Status::SettingsBusy:
        err << "a transfer pass is already running with the settings in " << EscapeControlChars(registryFile.string())
            << "; nothing was done, try again when it has finished\n";
        return kExitFailure;
    case Status::SettingsMissing:
        err << "cannot run the pass, these settings are empty:";
        for (const auto& name : outcome.missing) err << ' ' << name;
        err << " (set them with: zumasetctl config set NAME VALUE)\n";
        return kExitFailure;
    case Status::FolderBusy:
        err << "a transfer pass is already running over the outbound folder "
            << EscapeControlChars(runtime.settings().SourcePath)
            << "; nothing was done, try again when it has finished\n";
        return kExitFailure;
    case Status::RegisterBusy:
        err << "a transfer pass is already running with the register of sent files in "
            << EscapeControlChars(RegisterFilePath(runtime.logs()).string())
            << "; nothing was done, try again when it has finished\n";
        return kExitFailure;
    case Status::RegisterRefused:
        err << "the register of sent files " << EscapeControlChars(RegisterFilePath(runtime.logs()).string())
            << " cannot be used (see the error log); nothing was sent or received\n";
        return kExitFailure;
    }
    const bool registerSaved = runtime.ShutDown();

    for (const auto& line : runtime.model().activity()) out << EscapeControlChars(line) << '\n';
    if (kind != PassKind::Receive) out << "files sent: " << runtime.model().sendCount() << '\n';
    if (kind != PassKind::Send) out << "files received: " << runtime.model().getCount() << '\n';
    out << "sent files awaiting receipts: " << runtime.sentFiles().records().size() << '\n';
    if (!registerSaved) {
        err << "the register of sent files could not be saved to "
            << EscapeControlChars(RegisterFilePath(runtime.logs()).string())
            << "; replies to these files may land in the inbound folder itself (see the error log)\n";
        return kExitFailure;
    }
    if (outcome.status == Status::EndedEarly) {
        err << "the pass ended early on an error (see the error log)\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace zumaset
