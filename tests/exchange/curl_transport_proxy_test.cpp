#include "core/inet_error.h"

#include "tinyproxy_process.h"
#include "transport_fixture.h"

namespace zumaset::test {
namespace {

constexpr const char* kPage = "/secure/activex_download/download_list.asp";
constexpr const char* kTestPage = "/secure/activex_download/testing.asp";

// The HTTPS server behind Debian's tinyproxy with Basic authentication.
class CurlTransportProxyTest : public TransportFixture {
protected:
    CurlTransportProxyTest() : proxyDir_(), proxy_(proxyDir_.path(), "proxyuser", "proxypass"), server_(MakeServer()) {
        auto answer = [](const httplib::Request&, httplib::Response& response) {
            response.set_content("list#", "text/plain");
        };
        server_->server().Post(kPage, answer);
        server_->server().Get(kTestPage, answer);
        server_->Start();
    }

    std::unique_ptr<InternetRequest> OpenPost(InternetSession& session, const std::string& server) {
        connection_ = session.Connect(server);
        return connection_->OpenRequest("POST", kPage, "HTTP/1.0");
    }

    TempDir proxyDir_;
    TinyproxyProcess proxy_;
    std::unique_ptr<HttpsTestServer> server_;
    std::unique_ptr<InternetConnection> connection_;
};

TEST_F(CurlTransportProxyTest, TunnelGives407UntilTheRightCredentialsAreSetOnTheRequest) {
    auto session = OpenSession({true, proxy_.address()});
    auto request = OpenPost(*session, server_->address());
    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_EQ(request->QueryStatusCode(), 407);
    EXPECT_EQ(ReadAll(*request), "");
    // Sending again without credentials, or with a wrong password, changes nothing.
    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_EQ(request->QueryStatusCode(), 407);
    ASSERT_TRUE(request->SetProxyUserName("proxyuser"));
    ASSERT_TRUE(request->SetProxyPassword("wrong"));
    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_EQ(request->QueryStatusCode(), 407);

    ASSERT_TRUE(request->SetProxyPassword("proxypass"));
    ASSERT_TRUE(request->SendRequest("User=x")) << request->LastErrorDetail();
    EXPECT_EQ(request->QueryStatusCode(), 200);
    EXPECT_EQ(ReadAll(*request), "list#");
}

TEST_F(CurlTransportProxyTest, TestPageThroughProxyGives407ThenPassesWhenSentAgain) {
    auto session = OpenSession({true, proxy_.address()});
    auto request = session->OpenUrl("https://" + server_->address() + kTestPage);
    ASSERT_TRUE(request) << session->LastErrorDetail();
    EXPECT_EQ(request->QueryStatusCode(), 407);
    request->SetProxyUserName("proxyuser");
    request->SetProxyPassword("proxypass");
    ASSERT_TRUE(request->SendRequest(""));
    EXPECT_EQ(request->QueryStatusCode(), 200);
    EXPECT_EQ(ReadAll(*request), "list#");
}

TEST_F(CurlTransportProxyTest, HostNameWithoutDotGoesAroundTheNamedProxy) {
    // The proxy named here does not exist; only a request that bypasses it
    // can reach the server.
    auto session = OpenSession({true, "127.0.0.1:" + std::to_string(FreeLoopbackPort())});
    auto direct = OpenPost(*session, "localhost:" + std::to_string(server_->port()));
    ASSERT_TRUE(direct->SendRequest("User=x")) << direct->LastErrorDetail();
    EXPECT_EQ(direct->QueryStatusCode(), 200);

    auto proxied = OpenPost(*session, server_->address());
    EXPECT_FALSE(proxied->SendRequest("User=x"));
    EXPECT_EQ(proxied->LastError(), inet_error::kCannotConnect);
    // libcurl names only an address: the report must say it is the proxy's.
    EXPECT_NE(proxied->LastErrorDetail().find("proxy 127.0.0.1:"), std::string::npos) << proxied->LastErrorDetail();
}

TEST_F(CurlTransportProxyTest, SystemConfigurationUsesHttpsProxyAndNoProxy) {
    options_.systemProxy = SystemProxy{"http://" + proxy_.address(), ""};
    auto session = OpenSession();
    auto request = OpenPost(*session, server_->address());
    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_EQ(request->QueryStatusCode(), 407);

    options_.systemProxy = SystemProxy{"http://" + proxy_.address(), "127.0.0.1"};
    auto bypassing = OpenSession();
    auto direct = OpenPost(*bypassing, server_->address());
    ASSERT_TRUE(direct->SendRequest("User=x"));
    EXPECT_EQ(direct->QueryStatusCode(), 200);
}

} // namespace
} // namespace zumaset::test
