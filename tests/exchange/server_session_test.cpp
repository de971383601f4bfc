#include "exchange/server_session.h"
#include "zumaset/version.h"

#include "fake_transport.h"
#include "session_fixture.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

using test::FakeReply;

TEST(ControlLogServer, IsUpperCasePaddedOrCutToSixteen) {
    EXPECT_EQ(ControlLogServer("van.example"), "VAN.EXAMPLE     ");
    EXPECT_EQ(ControlLogServer("a-very-long-server.example.cz"), "A-VERY-LONG-SERV");
    EXPECT_EQ(ControlLogServer("čtyři.cz"), "ČTYŘI.CZ        ");
    EXPECT_EQ(ControlLogServer(""), std::string(16, ' '));
}

constexpr const char* kTestPage = "/secure/activex_download/testing.asp";

class Preamble : public test::SessionFixture {
protected:
    Preamble() : session(transport, settings, registry, logs, reporter) {}

    void PassingTestPage(const std::string& body = "<html><body>\r\nTESTING SERVER RLK OK\r\n</body></html>") {
        transport.AddReply(kTestPage, FakeReply{200, body});
    }
    // Opens the session and runs the preamble from `server`, which it moves on.
    PreambleResult Run(std::string& server, const PreambleVariant& texts = kUploadPreamble) {
        session.Open();
        return ServerTransfer(session, texts).RunPreamble(server);
    }
    std::size_t TestRequests() const {
        return std::count_if(transport.sent().begin(), transport.sent().end(),
                             [](const auto& r) { return r.page == kTestPage; });
    }

    test::FakeTransport transport;
    ServerSession session;
};

TEST_F(Preamble, WithoutTheConnectionLogItConnectsStraightAway) {
    settings.WriteLogControl = false;
    settings.ServerOne = "one.example";
    std::string server = "start.example";
    EXPECT_EQ(Run(server), PreambleResult::Connected);
    EXPECT_EQ(server, "start.example");
    EXPECT_EQ(TestRequests(), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "Control.log"));
}

TEST_F(Preamble, AFailingStartingServerFallsBackToServerOne) {
    settings.WriteLogControl = true;
    settings.ServerOne = "one.example";
    transport.state().unreachable = {"start.example"};
    PassingTestPage("<body>\r\ntesting server rlk ok\r\n</body>"); // any letter case passes
    std::string server = "start.example";
    ASSERT_EQ(Run(server), PreambleResult::Connected);
    EXPECT_EQ(server, "one.example");
    const std::string control = Log("Control.log");
    EXPECT_NE(control.find("[START.EXAMPLE   ]  *** spojeni pro odesilani - NE\r\n"), std::string::npos);
    EXPECT_NE(control.find("[ONE.EXAMPLE     ]  *** spojeni pro odesilani - ANO\r\n"), std::string::npos);
    EXPECT_EQ(Count(control, "spojeni pro odesilani"), 2u);
}

TEST_F(Preamble, ThreeFailedTestsReportThatNoServerCanBeReached) {
    settings.WriteLogControl = true;
    settings.ShowErrMessage = true;
    settings.ServerOne = "one.example";
    settings.ServerTwo = "two.example";
    transport.state().unreachable = {"start.example", "one.example", "two.example"};
    std::string server = "start.example";
    EXPECT_EQ(Run(server), PreambleResult::CannotConnect);
    EXPECT_EQ(TestRequests(), 3u);
    EXPECT_EQ(Count(Log("Control.log"), "odesilani - NE"), 3u);
    EXPECT_NE(
        Log("Error.log").find("[12029] *** Nelze se připojit k serveru RLK !!  K serveru nelze navázat spojení.\r\n"),
        std::string::npos);
    EXPECT_NE(Log("Relational.log").find("Soubor nebyl odeslán"), std::string::npos);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Chyba aplikace :  [12029]\r\nNelze se připojit k serveru RLK !!\r\nK serveru nelze navázat spojení.");
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].text, "12029  Nelze se připojit k serveru RLK !!");
}

// Which alternates are tried, and whose error the report then carries.
struct AlternateCase {
    const char* label;
    const char* serverOne;
    const char* serverTwo;
    std::size_t tests;
    const char* lastTried;
};

void PrintTo(const AlternateCase& c, std::ostream* os) {
    *os << c.label;
}

class EmptyAlternates : public Preamble, public ::testing::WithParamInterface<AlternateCase> {};

TEST_P(EmptyAlternates, AreNotTriedAndTheReportCarriesTheLastTriedServersError) {
    const AlternateCase& c = GetParam();
    settings.WriteLogControl = true;
    settings.ServerOne = c.serverOne;
    settings.ServerTwo = c.serverTwo;
    // The starting server cannot be reached; an alternate breaks off its reply.
    transport.state().unreachable = {"start.example"};
    transport.AddReply(kTestPage, FakeReply{200, "", 0, inet_error::kConnectionReset});
    std::string server = "start.example";
    EXPECT_EQ(Run(server, kDownloadPreamble), PreambleResult::CannotConnect);
    EXPECT_EQ(TestRequests(), c.tests);
    EXPECT_EQ(server, c.lastTried);
    const std::string expected = c.tests == 1 ? "[12029] *** " : "[12031] *** ";
    EXPECT_NE(Log("Error.log").find(expected + "Nelze se připojit k serveru RLK !!"), std::string::npos)
        << Log("Error.log");
    // The download writes its own words and no session line.
    EXPECT_EQ(Count(Log("Control.log"), "]  *** spojeni pro prijem    - NE"), c.tests);
    EXPECT_FALSE(std::filesystem::exists(dir / "Relational.log"));
}

INSTANTIATE_TEST_SUITE_P(Preamble, EmptyAlternates,
                         ::testing::Values(AlternateCase{"BlankOne", "  ", "", 1, "start.example"},
                                           AlternateCase{"OnlyTwo", "", "two.example", 2, "two.example"}),

                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(Preamble, OnlyTheFirst2048BytesOfTheTestReplyCount) {
    settings.WriteLogControl = true;
    PassingTestPage(std::string(2048, ' ') + "TESTING SERVER RLK OK");
    transport.state().unreachable = {""};
    std::string server = "start.example";
    EXPECT_EQ(Run(server), PreambleResult::CannotConnect);
}

// A proxy that accepts only "user"/"right", and saved settings with the wrong password.
class ProxyLoop : public Preamble {
protected:
    ProxyLoop() {
        transport.state().proxyCredentials = std::make_pair(std::string("user"), std::string("right"));
        settings.ProxyUser = "user";
        settings.ProxyPass = "wrong";
        SaveSettings(settings, registry);
    }
    SendResult PostOnce(ServerTransfer& transfer) {
        transfer.OpenRequest("/page.asp");
        return transfer.SendRequest("a=1", ProxyLoopTrace{26, "lngStatus(TXT)", false, 27, "TXT"});
    }
};

TEST_F(ProxyLoop, AProxyThatKeepsAskingGetsExactlyFourSends) {
    session.Open();
    std::string server = "van.example";
    ServerTransfer transfer(session, kUploadPreamble);
    ASSERT_EQ(transfer.RunPreamble(server), PreambleResult::Connected);
    EXPECT_EQ(PostOnce(transfer), SendResult::ProxyLoopEnded);
    EXPECT_EQ(transport.sent().size(), 4u);
    EXPECT_EQ(transfer.status(), 0);
    EXPECT_EQ(Count(Log("Control.log"), "[VAN.EXAMPLE     ]  *** spojeni pro odesilani - CYKLUS\r\n"), 3u);
}

TEST_F(ProxyLoop, CorrectedCredentialsInTheRegistryAreUsedAtTheNextChallenge) {
    transport.AddReply("/page.asp", FakeReply{200, "<body>\r\nOK\r\n</body>"});
    session.Open();
    // The administrator corrects the password while the client runs.
    registry.SetValue(Hive::CurrentUser, kSettingsKey, "ProxyPass", ScrambleText("right"), RegType::Sz);
    std::string server = "van.example";
    ServerTransfer transfer(session, kUploadPreamble);
    ASSERT_EQ(transfer.RunPreamble(server), PreambleResult::Connected);
    EXPECT_EQ(PostOnce(transfer), SendResult::Answered);
    EXPECT_EQ(transfer.status(), 200);
    ASSERT_EQ(transport.sent().size(), 3u); // without, with the old, with the corrected password
    EXPECT_EQ(transport.sent()[1].proxyPassword, std::optional<std::string>("wrong"));
    EXPECT_EQ(transport.sent()[2].proxyPassword, std::optional<std::string>("right"));
    EXPECT_EQ(settings.ProxyPass, "right");
    EXPECT_EQ(transfer.ReadReply(), std::optional<std::string>("<body>\r\nOK\r\n</body>"));
    EXPECT_EQ(Count(Log("Control.log"), "CYKLUS"), 1u);
}

TEST_F(ProxyLoop, TheSessionAnnouncesTheClientAndChoosesTheProxy) {
    settings.UseProxy = true;
    settings.ProxyName = "proxy.local";
    settings.ProxyPort = "3128";
    session.Open();
    ASSERT_EQ(transport.state().sessions.size(), 1u);
    EXPECT_EQ(transport.state().sessions[0].first, std::string("Zuma_") + ZUMASET_VERSION + "-User:DEKL01");
    EXPECT_TRUE(transport.state().sessions[0].second.named);
    EXPECT_EQ(transport.state().sessions[0].second.proxy, "proxy.local:3128");
    settings.UseProxy = false;
    session.Open();
    EXPECT_FALSE(transport.state().sessions[1].second.named);
}

} // namespace
} // namespace zumaset
