#pragma once

#include "app/ctl/ctl_output.h"
#include "platform/control_protocol.h"
#include "shell/pass_kind.h"

#include <filesystem>
#include <optional>

namespace zumaset {

struct Paths;
class Transport;

// Runs one pass. While a client runs with the same settings file the pass is
// asked of it over its control channel (it owns the register of sent files);
// otherwise it runs here as the client would: loads the settings and the
// register, runs the pass, saves the register. The activity lines are printed
// as they come, then the counts. Exit status 0 when the pass ran and reported
// no error, 1 when it ran but something failed (its error-log lines are
// printed to `err`) or ended early, 3 when it could not run (settings missing,
// another pass running, the register refused).
int RunPassCommand(PassKind kind, const std::filesystem::path& registryFile, const Paths& paths, Transport& transport,
                   const CtlOutput& output);

// The request that asks the running client for a pass of `kind`.
ControlCommand PassRequest(PassKind kind);

// Prints a pass's result (the activity lines only when they were not printed
// as they came) and gives the exit status.
int ReportPass(PassKind kind, const PassResult& result, bool activityPrinted, const CtlOutput& output);

} // namespace zumaset
