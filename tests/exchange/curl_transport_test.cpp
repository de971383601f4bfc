#include "transport_fixture.h"
#include "tinyproxy_process.h"

#include "exchange/inet_error.h"

#include <gmock/gmock.h>

#include <atomic>

namespace zumaset::test {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

constexpr const char* kPage = "/secure/activex_download/upload_prg.asp";

class CurlTransportTest : public TransportFixture {};

TEST_F(CurlTransportTest, PostSendsHttp10WithHeadersAndReturnsReply) {
    auto server = MakeServer();
    httplib::Request seen;
    server->server().Post(kPage, [&](const httplib::Request& request, httplib::Response& response) {
        seen = request;
        response.set_content("<body>\r\nOK\r\n</body>", "text/html");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    ASSERT_TRUE(connection);
    auto request = connection->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request);
    ASSERT_TRUE(request->AddRequestHeader("Connection: Keep-Alive\r\n"));
    ASSERT_TRUE(request->AddRequestHeader("Content-Type: text/plain\r\n"));
    // A second header of the same name replaces the first.
    ASSERT_TRUE(request->AddRequestHeader("content-type: application/x-www-form-urlencoded; charset=\"ISO-8859-2\"\r\n"));
    ASSERT_TRUE(request->SendRequest("User=abc&Data=0123"));

    EXPECT_EQ(request->QueryStatusCode(), 200);
    EXPECT_EQ(ReadAll(*request), "<body>\r\nOK\r\n</body>");
    EXPECT_EQ(seen.version, "HTTP/1.0");
    EXPECT_EQ(seen.body, "User=abc&Data=0123");
    EXPECT_EQ(seen.get_header_value("Connection"), "Keep-Alive");
    EXPECT_EQ(seen.get_header_value("Content-Type"), "application/x-www-form-urlencoded; charset=\"ISO-8859-2\"");
    EXPECT_EQ(seen.get_header_value_count("Content-Type"), 1u);
    EXPECT_EQ(seen.get_header_value("User-Agent"), "Zuma_2.0.0.2-User:tester");
    EXPECT_FALSE(seen.has_header("Expect"));
}

TEST_F(CurlTransportTest, ReplyIsReadIn2048BytePiecesWithZeroAtTheEnd) {
    auto server = MakeServer();
    std::string sent;
    for (int i = 0; i < 5000; ++i) sent += static_cast<char>('a' + i % 26);
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        // Small chunks, so the pieces the client reads do not follow the
        // pieces the server wrote.
        response.set_chunked_content_provider("text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= sent.size()) {
                sink.done();
                return true;
            }
            return sink.write(sent.data() + offset, std::min<std::size_t>(100, sent.size() - offset));
        });
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    auto request = connection->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("x"));
    std::array<char, 2048> buffer{};
    std::vector<std::size_t> sizes;
    std::string received;
    for (int i = 0; i < 10; ++i) {
        const auto n = request->ReadFile(buffer);
        ASSERT_TRUE(n);
        sizes.push_back(*n);
        received.append(buffer.data(), *n);
        if (*n == 0) break;
    }
    EXPECT_THAT(sizes, ElementsAre(2048u, 2048u, 904u, 0u));
    EXPECT_EQ(received, sent);
}

TEST_F(CurlTransportTest, LargeReplyArrivesWholeWhileReadSlowly) {
    auto server = MakeServer();
    std::string sent(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 % 251);
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(sent, "application/octet-stream");
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("x"));
    bool failed = false;
    const std::string received = ReadAll(*request, &failed);
    EXPECT_FALSE(failed) << request->LastErrorDetail();
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent);
}

TEST_F(CurlTransportTest, RedirectIsReturnedNotFollowed) {
    auto server = MakeServer();
    std::atomic<int> targetHits = 0;
    server->server().Post(kPage, [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/elsewhere", 302);
    });
    server->server().Post("/elsewhere", [&](const httplib::Request&, httplib::Response& response) {
        ++targetHits;
        response.set_content("moved", "text/plain");
    });
    server->server().Get("/elsewhere", [&](const httplib::Request&, httplib::Response& response) {
        ++targetHits;
        response.set_content("moved", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("x"));
    EXPECT_EQ(request->QueryStatusCode(), 302);
    ReadAll(*request);
    EXPECT_EQ(targetHits, 0);
}

TEST_F(CurlTransportTest, ServerStatusCodesComeBackAsNumbers) {
    auto server = MakeServer();
    server->server().Post(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
        response.status = std::stoi(request.matches[1]);
        response.set_content("status page", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    for (long status : {200L, 404L, 407L, 500L}) {
        auto request = connection->OpenRequest("POST", "/status/" + std::to_string(status), "HTTP/1.0");
        ASSERT_TRUE(request->SendRequest("x")) << status;
        EXPECT_EQ(request->QueryStatusCode(), status);
        EXPECT_EQ(ReadAll(*request), "status page") << status;
    }
}

TEST_F(CurlTransportTest, PostsOfOneConnectionReuseOneTlsConnection) {
    auto server = MakeServer();
    server->server().Post(kPage, [&](const httplib::Request& request, httplib::Response& response) {
        server->NoteClient(request);
        response.set_content("OK", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    for (int chunk = 1; chunk <= 3; ++chunk) {
        auto request = connection->OpenRequest("POST", kPage, "HTTP/1.0");
        ASSERT_TRUE(request->AddRequestHeader("Connection: Keep-Alive"));
        ASSERT_TRUE(request->SendRequest("chunk=" + std::to_string(chunk)));
        EXPECT_EQ(ReadAll(*request), "OK");
    }
    EXPECT_EQ(server->ClientPorts().size(), 1u);

    // A second connection object is a second TCP connection.
    auto other = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(other->SendRequest("x"));
    ReadAll(*other);
    EXPECT_EQ(server->ClientPorts().size(), 2u);
}

TEST_F(CurlTransportTest, OpenUrlSendsTheGetAtOnce) {
    auto server = MakeServer();
    server->server().Get("/secure/activex_download/testing.asp", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<body>\r\nTesting server RLK OK\r\n</body>", "text/html");
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->OpenUrl("https://" + server->address() + "/secure/activex_download/testing.asp");
    ASSERT_TRUE(request) << session->LastErrorDetail();
    EXPECT_EQ(request->QueryStatusCode(), 200);
    std::array<char, 2048> buffer{};
    const auto n = request->ReadFile(buffer);
    ASSERT_TRUE(n);
    EXPECT_EQ(std::string(buffer.data(), *n), "<body>\r\nTesting server RLK OK\r\n</body>");
}

TEST_F(CurlTransportTest, RefusedConnectionFailsWithCannotConnect) {
    const int port = FreeLoopbackPort();
    auto session = OpenSession();
    auto request = session->Connect("127.0.0.1:" + std::to_string(port))->OpenRequest("POST", kPage, "HTTP/1.0");
    EXPECT_FALSE(request->SendRequest("x"));
    EXPECT_EQ(request->LastError(), inet_error::kCannotConnect);
    EXPECT_FALSE(request->QueryStatusCode());
    std::array<char, 16> buffer{};
    EXPECT_FALSE(request->ReadFile(buffer));

    EXPECT_FALSE(session->OpenUrl("https://127.0.0.1:" + std::to_string(port) + "/t.asp"));
    EXPECT_EQ(session->LastError(), inet_error::kCannotConnect);
}

TEST_F(CurlTransportTest, UnusableServerNamesGiveNoConnection) {
    auto session = OpenSession();
    for (const char* name : {"", "host:", "host:0", "host:99999", "host:8x"}) {
        EXPECT_FALSE(session->Connect(name)) << name;
        EXPECT_EQ(session->LastError(), inet_error::kInvalidUrl) << name;
    }
    EXPECT_FALSE(session->OpenUrl("not a url"));
    EXPECT_EQ(session->LastError(), inet_error::kInvalidUrl);
}

TEST_F(CurlTransportTest, PlainHttpIsRefused) {
    auto session = OpenSession();
    EXPECT_FALSE(session->OpenUrl("http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/"));
    EXPECT_EQ(session->LastError(), inet_error::kInvalidUrl);
}

TEST_F(CurlTransportTest, StalledReplyFailsTheReadWithTimeoutAndKeepsTheStatus) {
    options_.limits.receiveOverride = 300ms;
    auto server = MakeServer();
    Gate gate;
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
            if (offset == 0) return sink.write("partial", 7);
            gate.Wait();
            sink.done();
            return true;
        });
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("x"));
    // What a caller sets; the test limit above replaces it.
    ASSERT_TRUE(request->SetReceiveTimeout(20000ms));
    bool failed = false;
    const std::string received = ReadAll(*request, &failed);
    gate.Open();

    EXPECT_TRUE(failed);
    EXPECT_EQ(received, "partial");
    EXPECT_EQ(request->LastError(), inet_error::kTimeout);
    EXPECT_EQ(request->QueryStatusCode(), 200);
}

TEST_F(CurlTransportTest, ServerSilentBeforeItsReplyFailsTheSendWithTimeout) {
    options_.limits.response = 300ms;
    auto server = MakeServer();
    Gate gate;
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        gate.Wait();
        response.set_content("late", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    const bool sent = request->SendRequest("x");
    gate.Open();
    EXPECT_FALSE(sent);
    EXPECT_EQ(request->LastError(), inet_error::kTimeout);
    EXPECT_FALSE(request->QueryStatusCode());
}

TEST_F(CurlTransportTest, ReplyCutShortFailsTheReadInsteadOfEndingIt) {
    auto server = MakeServer();
    server->server().Post(kPage, [](const httplib::Request&, httplib::Response& response) {
        // Announces 1000 bytes, sends 10, then drops the connection.
        response.set_content_provider(1000, "text/plain", [](std::size_t, std::size_t, httplib::DataSink& sink) {
            sink.write("0123456789", 10);
            return false;
        });
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("x"));
    bool failed = false;
    EXPECT_EQ(ReadAll(*request, &failed), "0123456789");
    EXPECT_TRUE(failed);
    EXPECT_EQ(request->LastError(), inet_error::kConnectionAborted);
}

TEST_F(CurlTransportTest, RequestIsUsableAfterItsConnectionAndSessionAreClosed) {
    auto server = MakeServer();
    server->server().Post(kPage, [](const httplib::Request&, httplib::Response& response) {
        response.set_content("OK", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    auto request = connection->OpenRequest("POST", kPage, "HTTP/1.0");
    connection.reset();
    session.reset();
    ASSERT_TRUE(request->SendRequest("x"));
    EXPECT_EQ(ReadAll(*request), "OK");
}

TEST_F(CurlTransportTest, HeaderWithoutNameIsRefused) {
    auto session = OpenSession();
    auto request = session->Connect("127.0.0.1")->OpenRequest("POST", kPage, "HTTP/1.0");
    EXPECT_FALSE(request->AddRequestHeader("no colon here\r\n"));
    EXPECT_EQ(request->LastError(), inet_error::kInvalidHeader);
    EXPECT_FALSE(request->AddRequestHeader(": value"));
    EXPECT_FALSE(request->AddRequestHeader("\r\n"));
}

// Certificates the client accepts although they are not quite right, and
// the one it must refuse.
struct CertCase {
    const char* name;
    ServerCertProfile profile;
    friend void PrintTo(const CertCase& c, std::ostream* out) { *out << c.name; }
};

class CertificatePolicyTest : public TransportFixture, public ::testing::WithParamInterface<CertCase> {};

TEST_P(CertificatePolicyTest, CertificateFromTrustedCaIsAccepted) {
    auto server = MakeServer(GetParam().profile);
    server->server().Post(kPage, [](const httplib::Request&, httplib::Response& response) {
        response.set_content("OK", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("x")) << request->LastError() << " " << request->LastErrorDetail();
    EXPECT_EQ(request->QueryStatusCode(), 200);
    EXPECT_EQ(ReadAll(*request), "OK");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CertificatePolicyTest,
    ::testing::Values(CertCase{"Valid", {}},
                      CertCase{"Expired", {{"localhost"}, {"127.0.0.1"}, -24h * 60, -24h}},
                      CertCase{"NotYetValid", {{"localhost"}, {"127.0.0.1"}, 24h, 24h * 60}},
                      CertCase{"OtherHostName", {{"other.example"}, {}, -24h, 24h * 60}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CurlTransportTest, CertificateOfUnknownCaIsRefusedEvenWhenItsDatesWouldBeForgiven) {
    TestCa stranger("Unknown CA");
    for (const bool expired : {false, true}) {
        auto [cert, key] = expired ? stranger.WriteServerFiles(dir_.path(), "stale",
                                                               {{"localhost"}, {"127.0.0.1"}, -48h, -24h})
                                   : stranger.WriteServerFiles(dir_.path(), "stranger");
        HttpsTestServer server(cert, key);
        server.server().Post(kPage, [](const httplib::Request&, httplib::Response& response) {
            response.set_content("OK", "text/plain");
        });
        server.Start();

        auto session = OpenSession();
        auto request = session->Connect(server.address())->OpenRequest("POST", kPage, "HTTP/1.0");
        EXPECT_FALSE(request->SendRequest("x")) << "expired: " << expired;
        EXPECT_EQ(request->LastError(), inet_error::kInvalidCa) << "expired: " << expired;
        EXPECT_FALSE(request->LastErrorDetail().empty());
        EXPECT_FALSE(request->QueryStatusCode());
    }
}

TEST_F(CurlTransportTest, CaInstalledAsDerAfterTheSessionOpenedIsTrusted) {
    std::filesystem::remove(caFolder_ / "operator.pem");
    auto server = MakeServer();
    server->server().Post(kPage, [](const httplib::Request&, httplib::Response& response) {
        response.set_content("OK", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    auto first = connection->OpenRequest("POST", kPage, "HTTP/1.0");
    EXPECT_FALSE(first->SendRequest("x"));
    EXPECT_EQ(first->LastError(), inet_error::kInvalidCa);

    WriteFileBytes(caFolder_ / "cert.der", ca_.CertDer());
    auto second = connection->OpenRequest("POST", kPage, "HTTP/1.0");
    ASSERT_TRUE(second->SendRequest("x")) << second->LastErrorDetail();
    EXPECT_EQ(ReadAll(*second), "OK");
}

} // namespace
} // namespace zumaset::test
