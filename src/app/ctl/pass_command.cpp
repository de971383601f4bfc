#include "app/ctl/pass_command.h"

#include "app/ctl/exit_codes.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "core/text.h"
#include "shell/client_runtime.h"
#include "shell/pass_lock.h"

#include <ostream>
#include <vector>

namespace zumaset {

namespace {

// The settings a pass cannot do without.
std::vector<std::string> MissingSettings(const Settings& s, PassKind kind) {
    std::vector<std::string> missing;
    if (s.User.empty()) missing.emplace_back("User");
    if (s.ServerTxt.empty() && s.ServerXml.empty()) missing.emplace_back("ServerTxt");
    if (kind != PassKind::Receive && s.SourcePath.empty()) missing.emplace_back("SourcePath");
    if (kind != PassKind::Send && s.RetValPath.empty()) missing.emplace_back("RetValPath");
    return missing;
}

} // namespace

int RunPassCommand(PassKind kind, const std::filesystem::path& registryFile, Transport& transport, std::ostream& out,
                   std::ostream& err) {
    auto lock = TryLockPasses(registryFile);
    if (!lock) {
        err << "a transfer pass is already running with the settings in " << EscapeControlChars(registryFile.string())
            << "; nothing was done, try again when it has finished\n";
        return kExitFailure;
    }
    RegistryFile registry(registryFile);
    Settings settings;
    LoadSettings(settings, registry);
    if (const auto missing = MissingSettings(settings, kind); !missing.empty()) {
        err << "cannot run the pass, these settings are empty:";
        for (const auto& name : missing) err << ' ' << name;
        err << " (set them with: zumasetctl config set NAME VALUE)\n";
        return kExitFailure;
    }

    // Passes with other settings files may name the same outbound folder.
    const FolderLock folderLock(settings.SourcePath);
    if (folderLock.state() == FolderLock::State::Busy) {
        err << "a transfer pass is already running over the outbound folder " << EscapeControlChars(settings.SourcePath)
            << "; nothing was done, try again when it has finished\n";
        return kExitFailure;
    }

    SystemClock clock;
    StreamMessageBoxes boxes(err);
    DroppedMailNotices mail;
    ClientRuntime runtime({registry, clock, boxes, mail, transport, "zumasetctl"});
    switch (runtime.StartUp()) {
    case ReceiptRegister::Load::Loaded:
        break;
    case ReceiptRegister::Load::Busy:
        err << "a transfer pass is already running with the register of sent files in "
            << EscapeControlChars(RegisterFilePath(runtime.logs()).string())
            << "; nothing was done, try again when it has finished\n";
        return kExitFailure;
    case ReceiptRegister::Load::Refused:
        err << "the register of sent files " << EscapeControlChars(RegisterFilePath(runtime.logs()).string())
            << " cannot be used (see the error log); nothing was sent or received\n";
        return kExitFailure;
    }
    bool ranToEnd = true;
    switch (kind) {
    case PassKind::Send: runtime.SendPass(); break;
    case PassKind::Receive: runtime.ReceivePass(); break;
    case PassKind::Cycle:
        ranToEnd = runtime.FullPass();
        break;
    }
    const bool registerSaved = runtime.ShutDown();

    for (const auto& line : runtime.model().activity())
        out << EscapeControlChars(line) << '\n';
    if (kind != PassKind::Receive) out << "files sent: " << runtime.model().sendCount() << '\n';
    if (kind != PassKind::Send) out << "files received: " << runtime.model().getCount() << '\n';
    out << "sent files awaiting receipts: " << runtime.sentFiles().records().size() << '\n';
    if (!registerSaved) {
        err << "the register of sent files could not be saved to "
            << EscapeControlChars(RegisterFilePath(runtime.logs()).string())
            << "; replies to these files may land in the inbound folder itself (see the error log)\n";
        return kExitFailure;
    }
    if (!ranToEnd) {
        err << "the pass ended early on an error (see the error log)\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace zumaset
