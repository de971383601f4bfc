// The dial-up line through a fake nmcli: when it dials, what a failed dial
// reports and what the hang-up brings down.
#include "platform/network_manager_dial_up.h"

#include "error_log_fixture.h"
#include "fake_nmcli.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

using Calls = std::vector<std::string>;

const std::string kActive = "--terse --fields NAME,TYPE,STATE connection show --active";
const std::string kPath = "/org/freedesktop/NetworkManager/ActiveConnection/7";
const std::string kActivated = "Connection successfully activated (D-Bus active path: " + kPath + ")\n";

std::string Up(int wait, const std::string& name) {
    return "--wait " + std::to_string(wait) + " connection up id " + name;
}

class DialUp : public test::ErrorLogFixture {
protected:
    DialUp() {
        settings.RASName = "Modem";
        settings.RASAutoDial = true;
    }

    NetworkManagerDialUp Gate() { return NetworkManagerDialUp(settings, reporter, nmcli.client()); }

    test::FakeNmcli nmcli;
    FailureReporter reporter{settings, logs, boxes, mail, "zumaset"};
};

struct DialCase {
    const char* name;
    const char* active = ""; // the active connections nmcli lists
    int upStatus = 0;
    const char* upErr = "";
    bool RASAutoDial = true;
    bool dials = true;                        // the result of DialUp
    Calls calls = {kActive, Up(90, "Modem")}; // nmcli's arguments, call by call
    const char* failure = "";                 // the error-log line of a failed dial, "" for none
};
void PrintTo(const DialCase& c, std::ostream* os) {
    *os << c.name;
}

class DialUpCases : public DialUp, public ::testing::WithParamInterface<DialCase> {};

TEST_P(DialUpCases, DialsOnlyWhenNoLineIsUpAndReportsAFailedDial) {
    const DialCase& c = GetParam();
    settings.RASAutoDial = c.RASAutoDial;
    nmcli.Answer("active", 0, c.active);
    nmcli.Answer("up", c.upStatus, c.upStatus == 0 ? kActivated : "", c.upErr);
    auto gate = Gate();
    EXPECT_EQ(gate.DialUp(), c.dials);
    EXPECT_EQ(nmcli.Calls(), c.calls);
    if (*c.failure == '\0') {
        EXPECT_EQ(ErrorLines(), "");
    } else {
        EXPECT_NE(ErrorLines().find(std::string(c.failure) + "\r\n"), std::string::npos) << ErrorLines();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DialUpCases,
    ::testing::Values(
        // Only the first dial-up connection is looked at; disconnected counts as up.
        DialCase{.name = "DisconnectedFirstEntryCountsAsUp",
                 .active = "DSL:pppoe:deactivated\nModem:gsm:activated\n",
                 .calls = {kActive}},
        DialCase{.name = "OnlyALocalNetworkDials", .active = "Wired:802-3-ethernet:activated\n"},
        // Without RASAutoDial the desktop's agent may ask: a longer wait.
        DialCase{.name = "AttendedDialWaitsLonger", .RASAutoDial = false, .calls = {kActive, Up(150, "Modem")}},
        DialCase{.name = "FailedDialReportsNmclisCodeAndMessage",
                 .upStatus = 4,
                 .upErr = "Warning: nmcli (1.42.4) and NetworkManager (1.42.2) versions don't match.\n"
                          "Error: Connection activation failed: No suitable device found for this connection.\n",
                 .dials = false,
                 .failure = "[4] *** Connection activation failed: No suitable device found for this connection."},
        DialCase{.name = "SilentFailureTakesTheTablesText",
                 .upStatus = 3,
                 .dials = false,
                 .failure = "[3] *** Časový limit operace vypršel."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialUp, WithoutNmcliTheDialFailsWithTheNotFoundNumber) {
    nmcli.Remove();
    auto gate = Gate();
    EXPECT_FALSE(gate.IsRasConnected());
    EXPECT_FALSE(gate.DialUp());
    EXPECT_NE(ErrorLines().find("[127] *** Program nmcli nebyl nalezen"), std::string::npos);
}

TEST_F(DialUp, HangUpBringsDownOnlyTheActivationThisProcessDialled) {
    nmcli.Answer("up", 0, kActivated);
    auto gate = Gate();
    gate.HangUp(); // nothing dialled yet: a line someone else brought up stays
    ASSERT_TRUE(gate.DialUp());
    EXPECT_EQ(gate.connection(), kPath);
    gate.HangUp();
    gate.HangUp(); // hung up already: nmcli is not asked again
    EXPECT_EQ(nmcli.Calls(), (Calls{kActive, Up(90, "Modem"), "--wait 30 connection down apath " + kPath}));
    EXPECT_EQ(gate.connection(), "");
    EXPECT_EQ(nmcli.Locales(), "C.UTF-8\nC.UTF-8\nC.UTF-8\n"); // untranslated texts, UTF-8 names
}

TEST_F(DialUp, WithoutTheActivationsPathTheProfileIsHungUpByName) {
    nmcli.Answer("up", 0, "Connection successfully activated.\n");
    auto gate = Gate();
    ASSERT_TRUE(gate.DialUp());
    gate.HangUp();
    EXPECT_EQ(nmcli.Calls().back(), "--wait 30 connection down id Modem");
}

} // namespace
} // namespace zumaset
