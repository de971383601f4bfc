#pragma once

#include "app/ctl/ctl_output.h"

#include <filesystem>

namespace zumaset {

// Lists the pending-receipt register: one line per sent file with its name,
// folder, office code and time. While a client runs with the settings file
// its register (the one in its memory) is listed; otherwise the file kept in
// the session-log folder is read, never changed. Returns an exit status.
int ShowRegister(const std::filesystem::path& registryFile, const CtlOutput& output);

} // namespace zumaset
