// The dial-up line through a fake nmcli: when it dials, what a failed dial
// reports, what the hang-up brings down, and the hang-up points of the
// transfer cycle.
#include "core/registry_document.h"
#include "core/settings_store.h"
#include "platform/network_manager_dial_up.h"
#include "shell/transfer_cycle.h"

#include "error_log_fixture.h"
#include "fake_nmcli.h"
#include "fake_transport.h"
#include "recording_event_log.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
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
    int activeStatus = 0;
    int upStatus = 0;
    const char* upErr = "";
    const char* RASName = "Modem";
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
    settings.RASName = c.RASName;
    settings.RASAutoDial = c.RASAutoDial;
    nmcli.Answer("active", c.activeStatus, c.active);
    nmcli.Answer("up", c.upStatus, c.upStatus == 0 ? kActivated : "", c.upErr);
    auto gate = Gate();
    EXPECT_EQ(gate.DialUp(), c.dials);
    EXPECT_EQ(nmcli.Calls(), c.calls);
    const std::string failure = c.failure;
    if (failure.empty()) {
        EXPECT_EQ(ErrorLines(), "");
        EXPECT_TRUE(mail.notices.empty());
    } else {
        EXPECT_NE(ErrorLines().find(failure + "\r\n"), std::string::npos) << ErrorLines();
        // The notice: the code, two blanks and the text.
        const std::string code = failure.substr(1, failure.find(']') - 1);
        ASSERT_EQ(mail.notices.size(), 1u);
        EXPECT_EQ(mail.notices[0].kind, NoticeKind::Error);
        EXPECT_EQ(mail.notices[0].text, code + "  " + failure.substr(failure.find("*** ") + 4));
    }
    EXPECT_TRUE(boxes.boxes.empty()); // ShowErrMessage is off
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DialUpCases,
    ::testing::Values(
        DialCase{.name = "AlreadyUpNoDial",
                 .active = "Wired:802-3-ethernet:activated\nModem:gsm:activated\n",
                 .calls = {kActive}},
        // Only the first dial-up connection is looked at; disconnected counts as up.
        DialCase{.name = "DisconnectedFirstEntryCountsAsUp",
                 .active = "DSL:pppoe:deactivated\nModem:gsm:activated\n",
                 .calls = {kActive}},
        DialCase{.name = "ActivatingCountsAsUp", .active = "Phone:bluetooth:activating\n", .calls = {kActive}},
        DialCase{.name = "UnknownStateDials", .active = "Phone:cdma:\n"},
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
                 .failure = "[3] *** Časový limit operace vypršel."},
        DialCase{.name = "EmptyNameIsDialledAndItsFailureReported",
                 .upStatus = 10,
                 .upErr = "Error: unknown connection ''.\n",
                 .RASName = "",
                 .dials = false,
                 .calls = {kActive, Up(90, "''")},
                 .failure = "[10] *** unknown connection ''."},
        DialCase{.name = "NetworkManagerNotRunning",
                 .activeStatus = 8,
                 .upStatus = 8,
                 .upErr = "Error: NetworkManager is not running.\n",
                 .dials = false,
                 .failure = "[8] *** NetworkManager is not running."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialUp, WithoutNmcliTheDialFailsWithTheNotFoundNumber) {
    nmcli.Remove();
    auto gate = Gate();
    EXPECT_FALSE(gate.IsRasConnected());
    EXPECT_FALSE(gate.DialUp());
    EXPECT_NE(ErrorLines().find("[127] *** Program nmcli nebyl nalezen"), std::string::npos);
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].text.rfind("127  Program nmcli", 0), 0u);
}

TEST_F(DialUp, AFailedDialShowsMessage900WithTheCodeWhenAsked) {
    settings.ShowErrMessage = true;
    nmcli.Answer("up", 4, "", "Error: Connection activation failed.\n");
    EXPECT_FALSE(Gate().DialUp());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, "zumaset");
    EXPECT_EQ(boxes.boxes[0].text, "Chyba aplikace :  [4]\r\nConnection activation failed.");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Exclamation);
}

TEST_F(DialUp, HangUpBringsDownOnlyTheActivationThisProcessDialled) {
    nmcli.Answer("up", 0, kActivated);
    auto gate = Gate();
    gate.HangUp(); // nothing dialled yet
    ASSERT_TRUE(gate.DialUp());
    EXPECT_EQ(gate.connection(), kPath);
    gate.HangUp();
    gate.HangUp(); // hung up already: nmcli is not asked again
    EXPECT_EQ(nmcli.Calls(), (Calls{kActive, Up(90, "Modem"), "--wait 30 connection down apath " + kPath}));
    EXPECT_EQ(gate.connection(), "");
    EXPECT_EQ(nmcli.Locales(), "C.UTF-8\nC.UTF-8\nC.UTF-8\n"); // untranslated texts, UTF-8 names
}

TEST_F(DialUp, ALineSomeoneElseDialledIsNotHungUp) {
    nmcli.Answer("active", 0, "Modem:gsm:activated\n");
    auto gate = Gate();
    ASSERT_TRUE(gate.DialUp());
    gate.HangUp();
    EXPECT_EQ(nmcli.Calls(), Calls{kActive});
}

TEST_F(DialUp, WithoutTheActivationsPathTheProfileIsHungUpByName) {
    nmcli.Answer("up", 0, "Connection successfully activated.\n");
    auto gate = Gate();
    ASSERT_TRUE(gate.DialUp());
    gate.HangUp();
    EXPECT_EQ(nmcli.Calls().back(), "--wait 30 connection down id Modem");
}

// The transfer cycle with the real gate: the upload dials, receipt polling
// keeps the line, the poll that ends it hangs up, and the receive pass of the
// same tick dials again.
class DialUpCycle : public DialUp {
protected:
    DialUpCycle() {
        const std::string folder = dir.path().string() + "/";
        settings.User = "DEKL01";
        settings.ServerTxt = "van.example";
        settings.ServerXml = "van.example";
        settings.SourcePath = folder + "Na_CU/";
        settings.RetValPath = folder + "Z_CU/";
        settings.LogsPath = folder;
        settings.ConLogPath = folder;
        settings.CuMode = 0;
        settings.CuOption = "PRAHA|CZ510201%";
        settings.RASMode = true;
        settings.TimeInterval = 1;
        fs::create_directories(dir / "Na_CU");
        fs::create_directories(dir / "Z_CU");
        transport.AddReply("/secure/activex_download/upload_prg.asp",
                           test::FakeReply{200, "<html><body>\r\nOK\r\n</body></html>"});
        transport.AddReply("/secure/activex_download/download_list.asp", test::FakeReply{200, ""});
        nmcli.Answer("up", 0, kActivated);
        nmcli.Then("up", "Modem:gsm:activated\n");
        nmcli.Then("down", "");
        SaveSettings(settings, registry);
        auto makeGate = [this](const Settings& s, const FailureReporter& r) {
            return std::make_unique<NetworkManagerDialUp>(s, r, nmcli.client());
        };
        const Paths paths{dir / "cfg", dir / "data", dir / "ca"};
        runtime = std::make_unique<ClientRuntime>(ClientRuntime::Platform{
            registry, clock, boxes, mail, transport, makeGate, paths, dir / "registry.reg", "zumaset"});
        runtime->StartUp();
        cycle = std::make_unique<TransferCycle>(*runtime, timer, events);
        cycle->ArmTimer();
    }

    // The dials and hang-ups so far: "u" and "d".
    std::string Line() const {
        std::string line;
        for (const auto& call : nmcli.Calls()) {
            if (call.find(" up ") != std::string::npos) line += 'u';
            if (call.find(" down ") != std::string::npos) line += 'd';
        }
        return line;
    }

    RegDocument registry;
    test::FakeTransport transport;
    ManualCycleTimer timer;
    test::RecordingEventLog events;
    std::unique_ptr<ClientRuntime> runtime;
    std::unique_ptr<TransferCycle> cycle;
};

TEST_F(DialUpCycle, ReceiptPollingKeepsTheLineAndItsLastPollHangsUp) {
    const fs::path file = dir / "Na_CU" / "praha_05.txt";
    test::WriteFileBytes(file, "AB\r\n");
    fs::last_write_time(file, std::chrono::file_clock::from_sys(clock.Now() - std::chrono::hours(1)));
    cycle->TimerApp_Timer(); // the upload dials; the receive pass finds the line up
    EXPECT_EQ(timer.Interval(), std::chrono::seconds(30));
    EXPECT_EQ(Line(), "u");
    for (int poll = 0; poll < 4; ++poll) cycle->TimerApp_Timer();
    EXPECT_EQ(Line(), "u");
    cycle->TimerApp_Timer(); // polling ends: hang-up, then the receive pass dials again
    EXPECT_EQ(timer.Interval(), std::chrono::seconds(60));
    EXPECT_EQ(Line(), "udu");
    cycle->TimerApp_Timer(); // every regular pass hangs up before it receives
    EXPECT_EQ(Line(), "ududu");
    EXPECT_EQ(ErrorLines(), "");
}

} // namespace
} // namespace zumaset
