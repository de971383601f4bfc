#pragma once

#include "core/clock.h"
#include "core/registry.h"
#include "core/settings.h"
#include "exchange/transport.h"

#include <iosfwd>

namespace zumaset {

// Runs the connection test against ServerTxt and ServerXml (each with the two
// alternates, as every transfer does when the connection log is on) and prints,
// for every server tried, whether the TLS connection, the proxy and the test
// page passed, with the error text when not. The connection log gets its usual
// lines. Exit status 0 only when a server passed.
int CheckConnection(const Settings& stored, Registry& registry, Transport& transport, const Clock& clock,
                    std::ostream& out, std::ostream& err);

} // namespace zumaset
