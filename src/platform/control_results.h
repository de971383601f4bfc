#pragma once

#include "exchange/sent_files.h"
#include "platform/control_protocol.h"
#include "shell/client_runtime.h"

#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// The protocol's names for how a pass ended: "ran", "ended-early",
// "settings-missing", "busy" (another pass holds the settings, the outbound
// folder or the register) or "register-refused".
std::string_view PassStatusName(PassOutcome::Status status);

// Why a pass that did not run was refused, in one line for the user; empty for
// a pass that ran. `outboundFolder` and `registerFile` name what was busy.
std::string PassRefusalText(PassOutcome::Status status, const std::string& settingsFile,
                            const std::string& outboundFolder, const std::string& registerFile);

// The register of sent files as the channel carries it (times in the
// system's default text form).
RegisterResult RegisterResultFrom(const std::vector<RegisterRecord>& records);

} // namespace zumaset
