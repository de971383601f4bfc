// The connection preamble against the simulator over real TLS. How the
// preamble answers a proxy's challenge is pinned by the ProxyLoop tests on a
// fake transport, and what the transport makes of a real authenticating proxy
// by curl_transport_proxy_test; a proxy's live wiring is the unreachable one.
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"
#include "exchange/server_session.h"

#include "session_fixture.h"
#include "vansim_process.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zumaset {
namespace {

class LivePreamble : public test::SessionFixture {
protected:
    CurlTransportOptions Options(bool trustSimulator) {
        CurlTransportOptions options;
        options.caFolder = dir / (trustSimulator ? "ca-trusted" : "ca-empty");
        std::filesystem::create_directories(options.caFolder);
        if (trustSimulator && !std::filesystem::exists(options.caFolder / "vansim.pem"))
            std::filesystem::copy_file(vansim->caPath(), options.caFolder / "vansim.pem");
        options.systemProxy = SystemProxy{};
        return options;
    }
    PreambleResult Run(CurlTransport& transport, std::string& server) {
        ServerSession session(transport, settings, registry, logs, reporter);
        session.Open();
        ServerTransfer transfer(session, kDownloadPreamble);
        return transfer.RunPreamble(server);
    }

    CurlGlobal curl;
    std::unique_ptr<test::VansimProcess> vansim;
};

// All three servers answer with a certificate from an authority nobody
// trusts; the report names the cause libcurl found, not only the number.
// Which certificates pass is pinned by the transport's certificate table.
TEST_F(LivePreamble, AnUnknownAuthorityFailsTheTestNamingTheCause) {
    vansim = std::make_unique<test::VansimProcess>();
    settings.ServerOne = settings.ServerTwo = vansim->host();
    settings.WriteLogControl = true;
    CurlTransport transport(Options(false));
    std::string server = vansim->host();
    EXPECT_EQ(Run(transport, server), PreambleResult::CannotConnect);
    const std::string errors = Log("Error.log");
    EXPECT_NE(errors.find("[12045] *** Nelze se připojit k serveru RLK !!  "), std::string::npos) << errors;
    EXPECT_NE(errors.find("(SSL certificate problem: "), std::string::npos) << errors;
}

TEST_F(LivePreamble, AProxyThatCannotBeReachedIsNamedAsTheProxy) {
    vansim = std::make_unique<test::VansimProcess>();
    // A port held by a socket that does not listen: connections to it are refused.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int closedPort = ntohs(address.sin_port);
    settings.WriteLogControl = true;
    settings.UseProxy = true;
    settings.ProxyName = "127.0.0.1";
    settings.ProxyPort = std::to_string(closedPort);
    CurlTransport transport(Options(true));
    std::string server = vansim->host();
    EXPECT_EQ(Run(transport, server), PreambleResult::CannotConnect);
    const std::string errors = Log("Error.log");
    EXPECT_NE(errors.find("[12029] *** "), std::string::npos) << errors;
    EXPECT_NE(errors.find("(proxy 127.0.0.1:" + std::to_string(closedPort) + ": "), std::string::npos) << errors;
    ::close(fd);
}

} // namespace
} // namespace zumaset
