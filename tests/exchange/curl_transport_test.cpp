#include "core/inet_error.h"

#include "tinyproxy_process.h"
#include "transport_fixture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <latch>
#include <thread>

namespace zumaset::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPage = "/secure/activex_download/upload_prg.asp";

// Answers "OK" to a POST or GET of kPage, and starts.
void ServeOk(HttpsTestServer& server) {
    const auto ok = [](const httplib::Request&, httplib::Response& response) {
        response.set_content("OK", "text/plain");
    };
    server.server().Post(kPage, ok);
    server.server().Get(kPage, ok);
    server.Start();
}

// Posts to the test page and reads the reply until it ends or fails, with
// the receive time-out a caller sets (the test's own limits replace it).
struct SlowRead {
    std::unique_ptr<InternetRequest> request;
    std::string received;
    bool failed = false;
};

class CurlTransportTest : public TransportFixture {
protected:
    static SlowRead PostAndReadSlowReply(InternetSession& session, const std::string& address) {
        SlowRead read;
        read.request = session.Connect(address)->OpenRequest("POST", kPage, "HTTP/1.0");
        EXPECT_TRUE(read.request->SendRequest("x"));
        EXPECT_TRUE(read.request->SetReceiveTimeout(20000ms));
        read.received = ReadAll(*read.request, &read.failed);
        return read;
    }
};

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
    // A request outlives its connection and session.
    connection.reset();
    session.reset();
    EXPECT_FALSE(request->AddRequestHeader(": value"));
    EXPECT_EQ(request->LastError(), inet_error::kInvalidHeader);
    ASSERT_TRUE(request->AddRequestHeader("Connection: Keep-Alive\r\n"));
    ASSERT_TRUE(request->AddRequestHeader("Content-Type: text/plain\r\n"));
    // A second header of the same name replaces the first.
    ASSERT_TRUE(
        request->AddRequestHeader("content-type: application/x-www-form-urlencoded; charset=\"ISO-8859-2\"\r\n"));
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

// A redirect is a status like any other: returned, not followed (a followed
// one would show the missing target's 404).
TEST_F(CurlTransportTest, ServerStatusCodesComeBackAsNumbersAndRedirectsAreNotFollowed) {
    auto server = MakeServer();
    server->server().Post(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
        response.status = std::stoi(request.matches[1]);
        if (response.status == 302) response.set_header("Location", "/elsewhere");
        response.set_content("status page", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    for (long status : {302L, 500L}) {
        auto request = connection->OpenRequest("POST", "/status/" + std::to_string(status), "HTTP/1.0");
        ASSERT_TRUE(request->SendRequest("x")) << status;
        EXPECT_EQ(request->QueryStatusCode(), status);
        EXPECT_EQ(ReadAll(*request), "status page") << status;
    }
}

TEST_F(CurlTransportTest, StalledReplyFailsTheReadWithTimeoutAndKeepsTheStatus) {
    options_.limits.receiveOverride = 300ms;
    auto server = MakeServer();
    std::latch gate(1); // holds the handler back until the client gave up
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
            if (offset == 0) return sink.write("partial", 7);
            gate.wait();
            sink.done();
            return true;
        });
    });
    server->Start();

    auto session = OpenSession();
    const SlowRead read = PostAndReadSlowReply(*session, server->address());
    gate.count_down();

    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.received, "partial");
    EXPECT_EQ(read.request->LastError(), inet_error::kTimeout);
    EXPECT_EQ(read.request->QueryStatusCode(), 200);
}

TEST_F(CurlTransportTest, ServerSilentBeforeItsReplyFailsTheSendWithTimeout) {
    options_.limits.response = 300ms;
    auto server = MakeServer();
    std::latch gate(1); // holds the handler back until the client gave up
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        gate.wait();
        response.set_content("late", "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
    const bool sent = request->SendRequest("x");
    gate.count_down();
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

// The default limit holds for a caller that sets none, a limit of its own for
// one that does, set before the send or (as the callers do once they know the
// status) after; a reply of exactly the limit is whole.
TEST_F(CurlTransportTest, ReplyLongerThanItsLimitFailsTheRead) {
    auto server = MakeServer();
    const std::string piece(64 * 1024, 'x');
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(
            "text/plain", [&](std::size_t, httplib::DataSink& sink) { return sink.write(piece.data(), piece.size()); });
    });
    server->server().Post("/exact", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(piece, "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    for (const bool afterSend : {false, true}) {
        SCOPED_TRACE(afterSend ? "set after the send" : "set before the send");
        auto send = [&](const char* page, std::optional<std::uint64_t> limit) {
            auto request = connection->OpenRequest("POST", page, "HTTP/1.0");
            if (limit && !afterSend) {
                EXPECT_TRUE(request->SetReplyLimit(*limit));
            }
            EXPECT_TRUE(request->SendRequest("x"));
            if (limit && afterSend) {
                EXPECT_TRUE(request->SetReplyLimit(*limit));
            }
            return request;
        };
        for (const std::optional<std::uint64_t> limit :
             {std::optional<std::uint64_t>(), std::optional<std::uint64_t>(100000)}) {
            auto request = send(kPage, limit);
            bool failed = false;
            const std::string received = ReadAll(*request, &failed);
            EXPECT_TRUE(failed);
            EXPECT_EQ(request->LastError(), inet_error::kReplyTooLarge);
            EXPECT_LE(received.size(), limit.value_or(kDefaultReplyLimit));
        }
        EXPECT_EQ(ReadAll(*send("/exact", piece.size())), piece);
    }
}

// A byte now and then never trips the silence limit; the deadline of the
// whole request cuts it.
TEST_F(CurlTransportTest, DrippingReplyIsCutAtTheDeadline) {
    options_.limits.deadline = 500ms;
    auto server = MakeServer();
    std::atomic<bool> stop = false;
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
            if (offset > 0) std::this_thread::sleep_for(50ms);
            return !stop && sink.write("d", 1);
        });
    });
    server->Start();

    auto session = OpenSession();
    const SlowRead read = PostAndReadSlowReply(*session, server->address());
    stop = true;
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.request->LastError(), inet_error::kTimeout);
    EXPECT_FALSE(read.received.empty());
}

// Replies left unread (the acknowledgement's, for one) are read to their end,
// so the next request goes over the same connection; a long one, or one that
// trickles in for longer than the short while a drain may last, is given up.
TEST_F(CurlTransportTest, UnreadReplyKeepsTheConnectionUnlessItIsLong) {
    auto server = MakeServer();
    const std::string small(20000, 's');
    const std::string large(4 * 1024 * 1024, 'l');
    server->server().Post(R"(/(small|large))", [&](const httplib::Request& request, httplib::Response& response) {
        server->NoteClient(request);
        response.set_content(request.matches[1] == "small" ? small : large, "text/plain");
    });
    // 100 bytes over some 10 seconds.
    server->server().Post("/drip", [&](const httplib::Request& request, httplib::Response& response) {
        server->NoteClient(request);
        response.set_content_provider(100, "text/plain", [](std::size_t, std::size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(100ms);
            return sink.write("d", 1);
        });
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    for (const char* page : {"/small", "/small", "/large", "/small", "/drip", "/small"}) {
        auto request = connection->OpenRequest("POST", page, "HTTP/1.0");
        ASSERT_TRUE(request->AddRequestHeader("Connection: Keep-Alive"));
        ASSERT_TRUE(request->SendRequest("x"));
        EXPECT_EQ(request->QueryStatusCode(), 200);
    }
    EXPECT_EQ(server->ClientPorts().size(), 3u);
}

// A reply that comes while the request body is still going out, dropped
// unread: the request's memory is freed while its connection ends.
TEST_F(CurlTransportTest, EarlyReplyDroppedWhileTheBodyIsStillSentEndsCleanly) {
    auto server = MakeServer();
    std::atomic<bool> stop = false;
    server->server().Post(kPage, [&](const httplib::Request&, httplib::Response& response,
                                     const httplib::ContentReader&) {
        // The body is never read: the client's upload stalls.
        response.set_content_provider(100, "text/plain", [&](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset == 0) return sink.write("abc", 3);
            while (!stop) std::this_thread::sleep_for(10ms);
            return false;
        });
    });
    server->Start();

    auto session = OpenSession();
    auto connection = session->Connect(server->address());
    for (int round = 0; round < 2; ++round) {
        auto request = connection->OpenRequest("POST", kPage, "HTTP/1.1");
        ASSERT_TRUE(request->SendRequest(std::string(4 * 1024 * 1024, 'u')));
        EXPECT_EQ(request->QueryStatusCode(), 200);
    }
    stop = true;
}

TEST_F(CurlTransportTest, ConnectionTestFollowsHttpsRedirectsWithinALimit) {
    auto server = MakeServer();
    server->server().Get(R"(/hop/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
        const int hops = std::stoi(request.matches[1]);
        if (hops == 0) {
            response.set_content("<body>\r\nTESTING SERVER RLK OK\r\n</body>", "text/html");
        } else {
            response.set_redirect("/hop/" + std::to_string(hops - 1), 302);
        }
    });
    server->server().Get("/to-http", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("http://" + server->address() + "/hop/0", 302);
    });
    // A redirect with a long body of its own.
    const std::string filler(1024 * 1024, 'r');
    server->server().Get("/long-redirect", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/hop/0", 302);
        response.set_content(filler, "text/plain");
    });
    server->Start();

    auto session = OpenSession();
    auto followed = session->OpenUrl("https://" + server->address() + "/hop/3");
    ASSERT_TRUE(followed) << session->LastErrorDetail();
    EXPECT_EQ(followed->QueryStatusCode(), 200);
    EXPECT_EQ(ReadAll(*followed), "<body>\r\nTESTING SERVER RLK OK\r\n</body>");

    EXPECT_FALSE(session->OpenUrl("https://" + server->address() + "/hop/4"));
    EXPECT_FALSE(session->OpenUrl("https://" + server->address() + "/to-http"));
    EXPECT_FALSE(session->OpenUrl("https://" + server->address() + "/long-redirect"));
    EXPECT_EQ(session->LastError(), inet_error::kReplyTooLarge);
}

// What the server check accepts: certificates of the CA folder's authority
// ("Operator") or of a system authority ("Public"), with the right name, a
// name of another host or of a configured server, inside or outside their
// dates; for the requests of a transfer and for the connection test. A
// server certificate installed alone, its issuer unknown, counts as an
// authority of its own: in the CA folder ("OwnInFolder") with the folder's
// rule on names, in the system bundle ("OwnInSystem") without it. One of an
// unknown authority ("Unknown") is refused even where its dates would be forgiven.
enum class Issuer { Operator, Public, OwnInFolder, OwnInSystem, Unknown };
enum class Mode { Request, ConnectionTest };

struct CertCase {
    const char* name;
    Issuer issuer;
    Mode mode;
    ServerCertProfile profile;
    unsigned long error;              // 0: accepted
    const char* configured = nullptr; // the configured server, if not kConfigured
    friend void PrintTo(const CertCase& c, std::ostream* out) { *out << c.name; }
};

constexpr const char* kConfigured = "van.configured.example";
const ServerCertProfile kRightName{};
const ServerCertProfile kExpired{{"localhost"}, {"127.0.0.1"}, -24h * 60, -24h};
const ServerCertProfile kOtherName{{"other.example"}, {}, -24h, 24h * 60};
const ServerCertProfile kExpiredOtherName{{"other.example"}, {}, -24h * 60, -24h};
const ServerCertProfile kConfiguredName{{kConfigured}, {}, -24h, 24h * 60};
const ServerCertProfile kConfiguredNameExpired{{kConfigured}, {}, -24h * 60, -24h};

class CertificatePolicyTest : public TransportFixture, public ::testing::WithParamInterface<CertCase> {};

TEST_P(CertificatePolicyTest, IsAcceptedOrRefusedWithItsError) {
    const CertCase& c = GetParam();
    TestCa stranger("Unknown CA");
    std::unique_ptr<HttpsTestServer> server;
    if (c.issuer == Issuer::Operator || c.issuer == Issuer::Public) {
        server = MakeServerOf(c.issuer == Issuer::Operator ? ca_ : publicCa_, c.profile);
    } else {
        auto [cert, key] = stranger.WriteServerFiles(dir_.path(), "own", c.profile);
        const std::string pem = ReadFileBytes(cert);
        if (c.issuer == Issuer::OwnInFolder) {
            std::filesystem::remove(caFolder_ / "operator.pem");
            WriteFileBytes(caFolder_ / "own.pem", pem);
        } else if (c.issuer == Issuer::OwnInSystem) {
            WriteFileBytes(dir_ / "system.pem", pem);
        }
        server = std::make_unique<HttpsTestServer>(cert, key);
    }
    ServeOk(*server);

    auto session = OpenSession();
    session->SetServerNames({"", std::string(c.configured ? c.configured : kConfigured) + ":8443", "127.0.0.2", ""});
    std::unique_ptr<InternetRequest> request;
    unsigned long error = 0;
    if (c.mode == Mode::Request) {
        request = session->Connect(server->address())->OpenRequest("POST", kPage, "HTTP/1.0");
        if (!request->SendRequest("x")) error = request->LastError();
    } else {
        request = session->OpenUrl("https://" + server->address() + kPage);
        if (!request) error = session->LastError();
    }
    const std::string detail = request ? request->LastErrorDetail() : session->LastErrorDetail();
    ASSERT_EQ(error, c.error) << detail;
    if (c.error == 0) {
        EXPECT_EQ(request->QueryStatusCode(), 200);
        EXPECT_EQ(ReadAll(*request), "OK");
    } else {
        EXPECT_FALSE(detail.empty());
        if (request) {
            EXPECT_FALSE(request->QueryStatusCode());
        }
    }
}

using namespace inet_error;
INSTANTIATE_TEST_SUITE_P(
    Cases, CertificatePolicyTest,
    ::testing::Values(
        CertCase{"OperatorExpiredForAnotherName", Issuer::Operator, Mode::Request, kExpiredOtherName, 0},
        CertCase{"PublicValid", Issuer::Public, Mode::Request, kRightName, 0},
        CertCase{"PublicOtherNameIsRefused", Issuer::Public, Mode::Request, kOtherName, kCertificateNameInvalid},
        CertCase{"PublicConfiguredNameExpired", Issuer::Public, Mode::Request, kConfiguredNameExpired, 0},
        CertCase{"PublicConfiguredWithTrailingDot", Issuer::Public, Mode::Request, kConfiguredName, 0,
                 "van.configured.example."},
        CertCase{"PublicConfiguredParentWithLeadingDotIsRefused", Issuer::Public, Mode::Request, kConfiguredName,
                 kCertificateNameInvalid, ".configured.example"},
        CertCase{"OwnInFolderOtherName", Issuer::OwnInFolder, Mode::Request, kOtherName, 0},
        CertCase{"OwnInSystem", Issuer::OwnInSystem, Mode::Request, kRightName, 0},
        CertCase{"OwnInSystemOtherNameIsRefused", Issuer::OwnInSystem, Mode::Request, kOtherName,
                 kCertificateNameInvalid},
        CertCase{"UnknownExpiredIsRefused", Issuer::Unknown, Mode::Request, kExpired, kInvalidCa},
        CertCase{"TestOperatorValid", Issuer::Operator, Mode::ConnectionTest, kRightName, 0},
        CertCase{"TestExpiredIsRefused", Issuer::Operator, Mode::ConnectionTest, kExpired, kCertificateDateInvalid},
        CertCase{"TestOtherNameIsRefused", Issuer::Operator, Mode::ConnectionTest, kOtherName, kCertificateNameInvalid},
        CertCase{"TestConfiguredNameIsRefused", Issuer::Public, Mode::ConnectionTest, kConfiguredName,
                 kCertificateNameInvalid}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CurlTransportTest, CaInstalledAsDerAfterTheSessionOpenedIsTrusted) {
    std::filesystem::remove(caFolder_ / "operator.pem");
    auto server = MakeServer();
    ServeOk(*server);

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
