// zumasetctl beside a running client: the client here is the test itself,
// holding the instance lock and answering on the control channel as the real
// one does, so every answer the companion can get is played through.
#include "platform/control_server.h"
#include "platform/instance_lock.h"

#include "ctl_runner.h"
#include "runtime_dir_fixture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

namespace zumaset {
namespace {

using nlohmann::json;

class CtlClient : public test::RuntimeDirTest {
protected:
    int Run(std::vector<std::string> args) { return ctl.Run(std::move(args)); }

    // Starts the stand-in client; `answer` builds the result of every request.
    void StartClient(std::function<json(ControlCommand)> answer, std::vector<ControlEvent> events = {}) {
        lock = InstanceLock::TryAcquire(settings());
        ASSERT_TRUE(lock);
        server.emplace(settings(), [this, answer, events](const ControlRequest& request, ReplyWriter& reply) {
            {
                std::lock_guard guard(mutex);
                asked.push_back(request.command);
            }
            for (const ControlEvent& event : events) reply.Event(event);
            reply.Result(answer(request.command));
        });
        ASSERT_TRUE(server->listening()) << server->error();
    }

    std::vector<ControlCommand> Asked() {
        std::lock_guard guard(mutex);
        return asked;
    }

    test::CtlRunner ctl{settings()};
    std::ostringstream& out = ctl.out;
    std::ostringstream& err = ctl.err;
    std::optional<InstanceLock> lock;
    std::optional<ControlServer> server;
    std::mutex mutex;
    std::vector<ControlCommand> asked;
};

// One answer of the running client to a pass, and what the companion makes of it.
struct ForwardedPass {
    const char* name;
    std::string command;
    PassResult result;
    int exitStatus;
    std::string inErr; // a piece of what standard error must say; empty: it stays empty
};
void PrintTo(const ForwardedPass& row, std::ostream* os) {
    *os << row.name;
}

PassResult Result(std::string status, std::vector<std::string> errors = {}, std::vector<std::string> missing = {}) {
    PassResult result;
    result.status = std::move(status);
    result.errors = std::move(errors);
    result.missing = std::move(missing);
    result.sent = 2;
    result.received = 1;
    result.awaiting = 4;
    return result;
}

class CtlClientPass : public CtlClient, public ::testing::WithParamInterface<ForwardedPass> {};

TEST_P(CtlClientPass, PrintsTheClientsLinesAndExitsAsAPassHere) {
    const ForwardedPass& row = GetParam();
    StartClient([&row](ControlCommand) { return ToJson(row.result); },
                {ActivityEvent{"9:00:01 * Odesílání"}, ProgressEvent{"a.vas", "send", 10, 20},
                 ActivityEvent{"9:00:02 * Odeslán soubor a.vas"}});
    // No settings here at all: a pass run here would find them missing.
    EXPECT_EQ(Run({row.command}), row.exitStatus) << err.str();
    ASSERT_EQ(Asked().size(), 1u);
    EXPECT_EQ(CommandName(Asked()[0]), row.command);
    EXPECT_EQ(out.str().rfind("9:00:01 * Odesílání\n9:00:02 * Odeslán soubor a.vas\n", 0), 0u) << out.str();
    if (row.inErr.empty())
        EXPECT_EQ(err.str(), "");
    else
        EXPECT_NE(err.str().find(row.inErr), std::string::npos) << err.str();
    if (row.exitStatus <= 1) {
        EXPECT_NE(out.str().find("sent files awaiting receipts: 4\n"), std::string::npos) << out.str();
        EXPECT_NE(out.str().find("files sent: 2\n"), std::string::npos) << out.str();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CtlClientPass,
    ::testing::Values(ForwardedPass{"EveryFileWent", "send", Result("ran"), 0, ""},
                      ForwardedPass{"AFileFailed", "cycle", Result("ran", {"[909] *** Server odmítl"}), 1,
                                    "[909] *** Server odmítl"},
                      ForwardedPass{"SettingsMissing", "send", Result("settings-missing", {}, {"User", "SourcePath"}),
                                    3, "these settings are empty: User SourcePath"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CtlClient, AClientThatCannotServeTheRequestExitsThree) {
    StartClient([](ControlCommand) { return ErrorResult("shutting down"); });
    EXPECT_EQ(Run({"send"}), 3);
    EXPECT_NE(err.str().find("shutting down"), std::string::npos) << err.str();
}

TEST_F(CtlClient, QuietAndJsonPassSummaries) {
    StartClient([](ControlCommand) { return ToJson(Result("ran")); }, {ActivityEvent{"line"}});
    EXPECT_EQ(Run({"send", "-q"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "");

    EXPECT_EQ(Run({"--json", "cycle"}), 0);
    const json summary = json::parse(out.str());
    EXPECT_EQ(summary["awaiting"], 4);
    EXPECT_FALSE(summary.contains("event"));
}

// The listing's layout is pinned by the register test; here that the records
// are the running client's.
TEST_F(CtlClient, RegisterListsTheClientsRecords) {
    RegisterResult records;
    records.records = {{"CZ510000", "A1.VAS", "/data/Na_CU/Praha/", "7.12.2026 9:00:00"}};
    StartClient([&](ControlCommand) { return ToJson(records); });
    EXPECT_EQ(Run({"register"}), 0) << err.str();
    EXPECT_NE(out.str().find("A1.VAS  /data/Na_CU/Praha/"), std::string::npos) << out.str();
    EXPECT_EQ(Run({"register", "--json"}), 0);
    EXPECT_EQ(json::parse(out.str())["records"][0]["SendAs"], "A1.VAS");
}

TEST_F(CtlClient, StatusSaysWhetherAClientRunsAndWhatItDoes) {
    EXPECT_EQ(Run({"status"}), 3);
    EXPECT_EQ(out.str(), "no client is running with the settings in " + settings().string() + "\n");

    StatusResult status;
    status.face = "headless";
    status.intervalMs = 60000;
    status.enabled = true;
    status.sent = 3;
    status.received = 2;
    status.activity = {"9:00:00 * Odesílání"};
    status.transfer = ProgressEvent{"velky.xml", "receive", 512, 1024};
    StartClient([&](ControlCommand) { return ToJson(status); });
    EXPECT_EQ(Run({"status"}), 0) << err.str();
    EXPECT_EQ(out.str(), "client: running (headless)\n"
                         "cycle: timer armed, next tick in 60 s\n"
                         "files sent: 3\n"
                         "files received: 2\n"
                         "transferring: fetching velky.xml  50%  512 B of 1.0 KiB\n"
                         "last activity:\n"
                         "  9:00:00 * Odesílání\n");
}

TEST_F(CtlClient, WrittenSettingsReachTheRunningClient) {
    EXPECT_EQ(Run({"reload"}), 0);
    EXPECT_NE(out.str().find("no client is running"), std::string::npos);

    StartClient([](ControlCommand) { return OkResult(); });
    EXPECT_EQ(Run({"reload"}), 0);
    EXPECT_EQ(Run({"config", "set", "User", "DEKL01"}), 0) << err.str();
    EXPECT_NE(out.str().find("the running client reloads its settings"), std::string::npos);
    EXPECT_EQ(Asked(), (std::vector<ControlCommand>{ControlCommand::Reload, ControlCommand::Reload}));
    // A refused value is not written, and nobody is told.
    EXPECT_EQ(Run({"config", "set", "CuMode", "9"}), 2);
    EXPECT_EQ(Asked().size(), 2u);
}

// Signalling the client's process is played through by the service test;
// here what pause and continue say when they cannot.
TEST_F(CtlClient, PauseAndContinueNeedAClientThatNamesItsProcess) {
    EXPECT_EQ(Run({"pause"}), 3);
    EXPECT_NE(err.str().find("no client is running"), std::string::npos) << err.str();
    StartClient([](ControlCommand) { return ToJson(StatusResult{}); });
    EXPECT_EQ(Run({"continue"}), 3);
    EXPECT_NE(err.str().find("does not say which process"), std::string::npos) << err.str();
}

TEST_F(CtlClient, ASettingWrittenButNotTakenUpExitsOne) {
    StartClient([](ControlCommand) { return ErrorResult("the settings dialog is open"); });
    EXPECT_EQ(Run({"config", "set", "User", "DEKL01"}), 1);
    EXPECT_NE(err.str().find("the settings are written, but the running client could not be asked to use them (the "
                             "settings dialog is open); run: zumasetctl reload"),
              std::string::npos)
        << err.str();
}

} // namespace
} // namespace zumaset
