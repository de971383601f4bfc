#pragma once

#include "core/unique_fd.h"
#include "platform/control_protocol.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <list>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

namespace zumaset {

struct ControlRequest {
    ControlCommand command = ControlCommand::Status;
};

// Writes the reply lines of one request to its connection. Every member may be
// called from any thread. Lines after the result, or after the peer has gone
// or the server has stopped, are dropped.
class ReplyWriter {
public:
    explicit ReplyWriter(int fd, const std::atomic<bool>& serverStopping) : fd_(fd), serverStopping_(serverStopping) {}
    ReplyWriter(const ReplyWriter&) = delete;
    ReplyWriter& operator=(const ReplyWriter&) = delete;

    // An activity or progress line. False when it could not go.
    bool Event(const ControlEvent& event);
    // The last line of the reply: a result built by the ToJson functions,
    // OkResult or ErrorResult.
    bool Result(const nlohmann::json& result);

    bool resultWritten() const;

private:
    bool Write(const nlohmann::json& line, bool isResult);

    int fd_;
    const std::atomic<bool>& serverStopping_;
    mutable std::mutex mutex_;
    bool resultWritten_ = false;
    bool peerGone_ = false;
};

// Serves the control channel of the client that holds the settings file's
// InstanceLock: the command-line companion and a second start of the client
// send their requests here. Construct it only while holding that lock: it
// removes the socket file a former holder may have left and creates its own
// (mode 0600).
//
// Connections are accepted on a thread of the server's own; each connection
// carries one request and is served on a thread of its own, so a status asked
// while a pass runs is answered at once. The handler is therefore called on
// those threads, possibly for two requests at a time, and must write its
// result before it returns (the server answers with an error otherwise). A
// peer of another user id is closed unheard.
class ControlServer {
public:
    using Handler = std::function<void(const ControlRequest& request, ReplyWriter& reply)>;

    ControlServer(const std::filesystem::path& registryFile, Handler handler);
    ~ControlServer(); // Stop()
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // False when the socket could not be set up (`error` says why); the
    // client then runs without the channel.
    bool listening() const { return listener_.valid(); }
    const std::string& error() const { return error_; }

    // Stops accepting, cuts the open connections and waits for their handlers
    // to return (a handler waiting on the thread that calls Stop must be
    // released first: ReplyWriter::cancelled turns true before the wait).
    // Removes the socket file. Called again, does nothing.
    void Stop();

private:
    struct Connection {
        std::thread thread;
        int fd = -1; // -1 once the connection's thread has closed it
        bool done = false;
    };

    void AcceptLoop();
    void Serve(Connection& connection, UniqueFd fd);
    void ReapFinished();

    Handler handler_;
    std::filesystem::path socketPath_;
    std::string error_;
    UniqueFd listener_;
    UniqueFd wake_; // an eventfd that wakes the accept loop for Stop
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::list<Connection> connections_;
    std::thread acceptThread_;
    bool stopped_ = false;
};

} // namespace zumaset
