#pragma once

#include "shell/pass_kind.h"

#include <filesystem>
#include <iosfwd>

namespace zumaset {

struct Paths;
class Transport;

// Runs one pass as the client would: loads the settings and the register of
// sent files, runs the pass, saves the register. Prints what the pass did.
// Exit status 0 when the pass ran (the logs tell which files failed), 1 when
// it could not run (settings missing, another pass running with the same
// settings file or over the same outbound folder), when it ended early on an
// error, or when the register of sent files could not be saved.
int RunPassCommand(PassKind kind, const std::filesystem::path& registryFile, const Paths& paths, Transport& transport,
                   std::ostream& out, std::ostream& err);

} // namespace zumaset
