// The client program itself, run as a process the way people run it: how it
// answers its command line and a fatal start-up, that one instance runs per
// settings file, and a headless client doing the passes zumasetctl asks of it
// and saving its register when SIGTERM ends it.
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "exchange/curl_handles.h"
#include "platform/control_client.h"
#include "shell/service_control.h"

#include "client_process.h"
#include "client_program_fixture.h"
#include "ctl_runner.h"
#include "temp_dir.h"
#include "vansim_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace zumaset {
namespace {

using ZumasetProgram = test::ClientProgramFixture;

// A start that ends at once, and what it says.
struct EndingCase {
    std::string name;
    std::vector<std::string> arguments;
    bool configured;
    std::string timerInterval; // the service parameter; empty: not set
    int exit;
    std::string output;
    std::string errorLog; // empty: no error log expected
};

void PrintTo(const EndingCase& c, std::ostream* os) {
    *os << c.name;
}

class EndingStart : public ZumasetProgram, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndingStart, EndsWithItsStatusAndMessage) {
    const EndingCase& c = GetParam();
    if (c.configured) Save(BaseSettings());
    if (!c.timerInterval.empty()) {
        RegistryFile registry(registryFile());
        RegistryServiceControl(registry).SaveSetting("Parameters", "TimerInterval", c.timerInterval);
    }
    test::ClientProcess client(c.arguments);
    EXPECT_EQ(client.WaitForExit(), c.exit);
    EXPECT_NE(client.Output().find(c.output), std::string::npos) << client.Output();
    const auto errorLog = logs() / "Error.log";
    if (c.errorLog.empty()) {
        EXPECT_FALSE(std::filesystem::exists(errorLog));
    } else {
        EXPECT_NE(test::ReadFileBytes(errorLog).find(c.errorLog), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Starts, EndingStart,
    ::testing::Values(EndingCase{"Version", {"--version"}, true, "", 0, "zumaset 2.0.0.2", ""},
                      EndingCase{"NeverConfigured", {}, false, "", 3, "zumasetctl config set NAME VALUE", ""},
                      EndingCase{"TimerIntervalNotANumber",
                                 {},
                                 true,
                                 "abc",
                                 1,
                                 "Chyba aplikace :  [13]",
                                 "[13] *** Neshoda typů -> APP_FATAL_EXIT"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ZumasetProgram, ASecondStartEndsAndLeavesTheFirstRunning) {
    Save(BaseSettings());
    test::ClientProcess first;
    ASSERT_TRUE(WaitUntilServing(first)) << first.Output();
    test::ClientProcess second;
    EXPECT_EQ(second.WaitForExit(), 0) << second.Output();
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(WaitUntilServing(first));
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(), 0) << first.Output();
}

TEST_F(ZumasetProgram, SighupTakesTheStoredSettingsAndSigintEndsThroughTheShutdown) {
    Settings settings = BaseSettings();
    Save(settings);
    test::ClientProcess client;
    ASSERT_TRUE(WaitUntilServing(client)) << client.Output();
    // The debug log moves with ConLogPath once the client has taken the change.
    settings.ConLogPath = (dir / "Logy2").string() + "/";
    Save(settings);
    client.Signal(SIGHUP);
    const auto moved = dir / "Logy2" / "Debug.log";
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(moved) && client.Running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    client.Signal(SIGINT);
    EXPECT_EQ(client.WaitForExit(), 0) << client.Output();
    const std::string debug = test::ReadFileBytes(moved);
    ASSERT_NE(debug.find("<E01>"), std::string::npos) << debug;
    ASSERT_NE(debug.rfind("<A03>"), std::string::npos) << debug;
    EXPECT_GT(debug.rfind("<A03>"), debug.find("<E01>")) << debug;
}

TEST_F(ZumasetProgram, SendsWhatZumasetctlAsksAndSavesTheRegisterOnSigterm) {
    CurlGlobal curl;
    test::VansimProcess vansim({"--receipt-delay", "0"});
    vansim.AddAccount("DEKL01", "heslo");
    TrustAndMakeFolders(vansim);
    Settings settings = BaseSettings();
    settings.Pass = "heslo";
    settings.ServerTxt = vansim.host();
    settings.ServerXml = vansim.host();
    settings.SourcePath = (dir / "Na_CU").string() + "/";
    settings.RetValPath = (dir / "Z_CU").string() + "/";
    settings.ArchivPath = (dir / "Archiv").string() + "/";
    settings.CuOption = "PRAHA|CZ510000%ALL_FILES|CZ530000%";
    Save(settings); // TimeInterval 0, on-line mode off: the timer idles, only requests run passes
    const auto outbound = dir / "Na_CU" / "Praha" / "PRAHA001.VAS";
    test::WriteFileBytes(outbound, "HLAVICKA\r\nRADEK\r\n");
    // A file written just now counts as still being written.
    std::filesystem::last_write_time(outbound, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));

    test::ClientProcess client;
    ASSERT_TRUE(WaitUntilServing(client)) << client.Output();

    // zumasetctl hands the pass to the running client and prints what it did.
    test::CtlRunner ctl(registryFile());
    EXPECT_EQ(ctl.Run({"send"}), 0) << ctl.err.str();
    EXPECT_NE(ctl.out.str().find("Proces SEND - zahájeno."), std::string::npos) << ctl.out.str();
    EXPECT_NE(ctl.out.str().find("files sent: 1"), std::string::npos) << ctl.out.str();
    EXPECT_FALSE(std::filesystem::exists(outbound));
    // The same pass asked over the channel itself: the lines streamed are the lines of the result.
    std::vector<std::string> streamed;
    std::vector<ProgressEvent> progressed;
    const ControlReply reply =
        ControlClient(registryFile()).Request(ControlCommand::Receive, [&](const ControlEvent& e) {
            if (const auto* activity = std::get_if<ActivityEvent>(&e)) streamed.push_back(activity->text);
            if (const auto* progress = std::get_if<ProgressEvent>(&e)) progressed.push_back(*progress);
        });
    ASSERT_EQ(reply.state, ControlReply::State::Answered) << reply.error;
    const PassResult pass = PassResultFromJson(reply.result);
    EXPECT_EQ(pass.received, 1); // the receipt of the file sent
    EXPECT_EQ(pass.activity, streamed);
    ASSERT_FALSE(progressed.empty());
    EXPECT_NE(progressed.back().file.find("PRAHA001"), std::string::npos) << progressed.back().file;
    // The send left the timer polling for the receipt.
    EXPECT_EQ(StatusResultFromJson(ControlClient(registryFile()).Request(ControlCommand::Status).result).intervalMs,
              30000);

    client.Signal(SIGTERM);
    EXPECT_EQ(client.WaitForExit(), 0) << client.Output();
    EXPECT_NE(test::ReadFileBytes(logs() / "Zumaset.sav").find("PRAHA001.VAS"), std::string::npos);
    // The shutdown ran: its trace is the last line of the debug log.
    const std::string debug = test::ReadFileBytes(logs() / "Debug.log");
    ASSERT_NE(debug.rfind("<A03>"), std::string::npos) << debug;
    EXPECT_GT(debug.rfind("<A03>"), debug.rfind("<D01>")) << debug;
}

} // namespace
} // namespace zumaset
