// The control channel with a real server and client on a real socket, each
// request on its own connection, as the client and the companion use it.
#include "core/unique_fd.h"
#include "platform/control_client.h"
#include "platform/control_server.h"
#include "platform/instance_lock.h"
#include "platform/instance_paths.h"
#include "platform/socket_lines.h"

#include "runtime_dir_fixture.h"

#include <atomic>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace zumaset {
namespace {

using nlohmann::json;

// Connects to the server's socket by hand, for requests the client never sends.
UniqueFd ConnectRaw(const std::filesystem::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) fd.reset();
    return fd;
}

// Everything a request brought back.
struct Exchange {
    std::vector<std::string> lines; // the events, as "activity:TEXT" or "progress:FILE done/total"
    ControlReply reply;
};

class ControlChannel : public test::RuntimeDirTest {
protected:
    ControlChannel() : lock(InstanceLock::TryAcquire(settings())) {}

    void Serve(ControlServer::Handler handler) {
        server.emplace(settings(), std::move(handler));
        ASSERT_TRUE(server->listening()) << server->error();
    }

    Exchange Ask(ControlCommand command) {
        Exchange exchange;
        exchange.reply = ControlClient(settings()).Request(command, [&](const ControlEvent& event) {
            if (const auto* activity = std::get_if<ActivityEvent>(&event))
                exchange.lines.push_back("activity:" + activity->text);
            if (const auto* progress = std::get_if<ProgressEvent>(&event))
                exchange.lines.push_back("progress:" + progress->file + " " + progress->direction + " " +
                                         std::to_string(progress->done) + "/" + std::to_string(progress->total));
        });
        return exchange;
    }

    std::filesystem::path socketPath() const { return InstanceFilesFor(settings()).socket; }

    std::optional<InstanceLock> lock;
    std::optional<ControlServer> server;
};

// Events reach the caller as they are written; nothing after the result does.
TEST_F(ControlChannel, APassSendsItsLinesAsTheyComeThenItsResult) {
    PassResult sent;
    sent.status = "ran";
    sent.activity = {"Odeslán soubor a.txt"};
    sent.sent = 2;
    ControlCommand asked = ControlCommand::Status;
    Serve([&](const ControlRequest& request, ReplyWriter& reply) {
        asked = request.command;
        reply.Event(ActivityEvent{"Odesílání"});
        reply.Event(ProgressEvent{"a.txt", "send", 512, 2048});
        reply.Result(ToJson(sent));
        reply.Event(ActivityEvent{"after the result: dropped"});
    });

    Exchange exchange = Ask(ControlCommand::Send);
    EXPECT_EQ(asked, ControlCommand::Send);
    ASSERT_EQ(exchange.reply.state, ControlReply::State::Answered) << exchange.reply.error;
    EXPECT_EQ(exchange.lines, (std::vector<std::string>{"activity:Odesílání", "progress:a.txt send 512/2048"}));
    PassResult got = PassResultFromJson(exchange.reply.result);
    EXPECT_EQ(got.activity, sent.activity);
    EXPECT_EQ(got.sent, 2);
}

TEST_F(ControlChannel, AHandlerThatGivesNoResultOrThrowsStillAnswers) {
    Serve([](const ControlRequest& request, ReplyWriter&) {
        if (request.command == ControlCommand::Cycle) throw std::runtime_error("boom");
    });
    EXPECT_EQ(ResultError(Ask(ControlCommand::Raise).reply.result), "the client gave no answer");
    EXPECT_NE(ResultError(Ask(ControlCommand::Cycle).reply.result).find("boom"), std::string::npos);
}

struct BadRequest {
    const char* name;
    std::string line;
    std::string error;
};
void PrintTo(const BadRequest& row, std::ostream* os) {
    *os << row.name;
}

class ControlChannelBadRequest : public ControlChannel, public ::testing::WithParamInterface<BadRequest> {};

TEST_P(ControlChannelBadRequest, IsAnsweredWithAnErrorAndNeverReachesTheHandler) {
    std::atomic<int> calls = 0;
    Serve([&](const ControlRequest&, ReplyWriter& reply) {
        ++calls;
        reply.Result(OkResult());
    });
    UniqueFd fd = ConnectRaw(socketPath());
    ASSERT_TRUE(fd.valid());
    ASSERT_TRUE(WriteSocketLine(fd.get(), GetParam().line));
    std::optional<std::string> line = SocketLineReader(fd.get(), 4096).Next();
    ASSERT_TRUE(line);
    EXPECT_EQ(ResultError(json::parse(*line)), GetParam().error);
    EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ControlChannelBadRequest,
                         ::testing::Values(BadRequest{"UnknownCommand", R"({"command":"format"})",
                                                      "unknown command: format"},
                                           BadRequest{"CommandNotText", R"({"command":1})", "unknown command: "},
                                           BadRequest{"NotJson", "send", "the request is not JSON"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlChannel, NoServerAndAStaleSocketBothMeanNotRunning) {
    EXPECT_EQ(Ask(ControlCommand::Status).reply.state, ControlReply::State::NotRunning);

    // A socket file left by a client that died: nobody listens on it.
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().c_str(), sizeof address.sun_path - 1);
        UniqueFd stale(::socket(AF_UNIX, SOCK_STREAM, 0));
        ASSERT_EQ(::bind(stale.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    }
    ASSERT_TRUE(std::filesystem::exists(socketPath()));
    EXPECT_EQ(Ask(ControlCommand::Status).reply.state, ControlReply::State::NotRunning);

    // The next lock holder replaces it, owner-only.
    Serve([](const ControlRequest&, ReplyWriter& reply) { reply.Result(OkResult()); });
    EXPECT_EQ(Ask(ControlCommand::Raise).reply.state, ControlReply::State::Answered);
    struct stat info {};
    ASSERT_EQ(::stat(socketPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    server->Stop();
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
    EXPECT_EQ(Ask(ControlCommand::Status).reply.state, ControlReply::State::NotRunning);
}

TEST_F(ControlChannel, StatusIsAnsweredWhileAPassRequestWaits) {
    std::promise<void> passMayEnd;
    std::shared_future<void> passEnds = passMayEnd.get_future().share();
    std::promise<void> passStarted;
    Serve([&](const ControlRequest& request, ReplyWriter& reply) {
        if (request.command == ControlCommand::Cycle) {
            passStarted.set_value();
            passEnds.wait();
            reply.Result(ToJson(PassResult{}));
        } else {
            reply.Result(ToJson(StatusResult{}));
        }
    });
    std::future<Exchange> pass = std::async(std::launch::async, [&] { return Ask(ControlCommand::Cycle); });
    passStarted.get_future().wait();
    EXPECT_EQ(Ask(ControlCommand::Status).reply.state, ControlReply::State::Answered);
    passMayEnd.set_value();
    EXPECT_EQ(PassResultFromJson(pass.get().reply.result).status, "ran");
}

} // namespace
} // namespace zumaset
