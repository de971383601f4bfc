#pragma once

#include "app/ctl/ctl_output.h"
#include "core/clock.h"
#include "core/registry.h"
#include "core/settings.h"
#include "exchange/transport.h"

namespace zumaset {

// Runs the connection test against ServerTxt and, when it differs, ServerXml
// (each with the two alternates, as every transfer does when the connection
// log is on) and prints, for every server tried, whether the TLS connection,
// the proxy and the test page passed, with the error text when not. With
// `login`, the account is proven too: the server that passed is asked for the
// list of waiting files (nothing is fetched or acknowledged). The connection
// log gets its usual lines. Exit status 0 when every server passed, 1 when
// one failed, 3 when there is nothing to test (no server set, dial-up mode).
int CheckConnection(const Settings& stored, Registry& registry, Transport& transport, const Clock& clock, bool login,
                    const CtlOutput& output);

} // namespace zumaset
