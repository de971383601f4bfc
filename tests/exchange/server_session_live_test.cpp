// The connection preamble against the simulator over real TLS. How the
// preamble answers a proxy's challenge is pinned by the ProxyLoop tests on a
// fake transport, and what the transport makes of a real proxy by
// curl_transport_proxy_test.
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"
#include "exchange/server_session.h"

#include "session_fixture.h"
#include "vansim_process.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

using LivePreamble = test::SessionFixture;

// All three servers answer with a certificate from an authority nobody
// trusts; the report names the cause libcurl found, not only the number.
// Which certificates pass is pinned by the transport's certificate table.
TEST_F(LivePreamble, AnUnknownAuthorityFailsTheConnectionTestNamingTheCause) {
    CurlGlobal curl;
    test::VansimProcess vansim;
    settings.ServerOne = settings.ServerTwo = vansim.host();
    settings.WriteLogControl = true;
    CurlTransportOptions options;
    options.caFolder = dir / "ca-empty";
    std::filesystem::create_directories(options.caFolder);
    options.systemProxy = SystemProxy{};
    CurlTransport transport(options);
    ServerSession session(transport, settings, registry, logs, reporter);
    session.Open();
    std::string server = vansim.host();
    EXPECT_EQ(ServerTransfer(session, kDownloadPreamble).RunPreamble(server), PreambleResult::CannotConnect);
    const std::string errors = Log("Error.log");
    EXPECT_NE(errors.find("[12045] *** Nelze se připojit k serveru RLK !!  "), std::string::npos) << errors;
    EXPECT_NE(errors.find("(SSL certificate problem: "), std::string::npos) << errors;
}

} // namespace
} // namespace zumaset
