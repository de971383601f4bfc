#pragma once

#include "core/settings.h"

#include <iosfwd>

namespace zumaset {

// Lists the pending-receipt register kept in the session-log folder: one line
// per sent file with its name, folder, office code and time. The file is only
// read, never changed. Returns an exit status.
int ShowRegister(const Settings& settings, std::ostream& out, std::ostream& err);

} // namespace zumaset
