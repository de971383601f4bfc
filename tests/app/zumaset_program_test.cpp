// The client program itself, run as a process the way people run it: one
// instance per settings file, its signals, and a headless client doing the
// passes zumasetctl asks of it and saving its register when SIGTERM ends it.
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "exchange/curl_handles.h"
#include "platform/control_client.h"

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

// A second start ends and leaves the first running; SIGHUP makes the first
// take the stored settings and SIGINT ends it through the shutdown.
TEST_F(ZumasetProgram, ASecondStartEndsAndSignalsReachTheFirst) {
    Settings settings = BaseSettings();
    Save(settings);
    test::ClientProcess client;
    ASSERT_TRUE(WaitUntilServing(client)) << client.Output();
    test::ClientProcess second;
    EXPECT_EQ(second.WaitForExit(), 0) << second.Output();
    EXPECT_TRUE(WaitUntilServing(client));
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
    Save(TransferSettings(vansim));
    const auto outbound = WriteOutbound("PRAHA001.VAS");

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
}

} // namespace
} // namespace zumaset
