#pragma once

#include <iosfwd>

namespace zumaset {

// The command-line companion: parses the arguments and runs one command.
// Returns the process exit status. `errIsTerminal`: `err` is a terminal, where
// long transfers show a progress line.
int RunZumasetCtl(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
                  bool errIsTerminal = false);

} // namespace zumaset
