#include "platform/control_server.h"

#include "platform/instance_paths.h"
#include "platform/socket_lines.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zumaset {

namespace {

constexpr std::size_t kMaxRequestLine = 4096;
constexpr std::size_t kMaxConnections = 16;
// A peer that connects and sends nothing ties a thread up only this long.
constexpr timeval kRequestTimeout{5, 0};

std::string SystemText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool PeerIsUs(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
    return peer.uid == ::geteuid();
}

} // namespace

bool ReplyWriter::Write(const nlohmann::json& line, bool isResult) {
    std::lock_guard lock(mutex_);
    if (resultWritten_ || peerGone_ || serverStopping_) return false;
    if (isResult) resultWritten_ = true;
    // Invalid UTF-8 (a file name from a foreign system) is replaced rather than thrown.
    std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    if (!WriteSocketLine(fd_, text)) peerGone_ = true;
    return !peerGone_;
}

bool ReplyWriter::Event(const ControlEvent& event) {
    return Write(std::visit([](const auto& value) { return ToJson(value); }, event), false);
}

bool ReplyWriter::Result(const nlohmann::json& result) {
    return Write(result, true);
}

bool ReplyWriter::resultWritten() const {
    std::lock_guard lock(mutex_);
    return resultWritten_;
}

ControlServer::ControlServer(const std::filesystem::path& registryFile, Handler handler)
    : handler_(std::move(handler)) {
    InstanceFiles files = InstanceFilesFor(registryFile);
    if (files.socket.empty()) {
        error_ = files.error;
        return;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& path = files.socket.native();
    if (path.size() >= sizeof address.sun_path) {
        error_ = "the socket path is too long: " + path;
        return;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener.valid()) {
        error_ = SystemText("socket");
        return;
    }
    // The lock holder owns the name: a file left by a client that died goes.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error_ = SystemText(("unlink " + path).c_str());
        return;
    }
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error_ = SystemText(("bind " + path).c_str());
        return;
    }
    socketPath_ = files.socket;
    // The folder already keeps others out; the socket says the same.
    if (::chmod(path.c_str(), 0600) != 0 || ::listen(listener.get(), 8) != 0) {
        error_ = SystemText(path.c_str());
        ::unlink(path.c_str());
        socketPath_.clear();
        return;
    }
    wake_.reset(::eventfd(0, EFD_CLOEXEC));
    if (!wake_.valid()) {
        error_ = SystemText("eventfd");
        ::unlink(path.c_str());
        socketPath_.clear();
        return;
    }
    listener_ = std::move(listener);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

ControlServer::~ControlServer() {
    Stop();
}

void ControlServer::Stop() {
    if (stopped_) return;
    stopped_ = true;
    stopping_ = true;
    if (acceptThread_.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t rc = ::write(wake_.get(), &one, sizeof one);
        acceptThread_.join();
    }
    {
        std::lock_guard lock(mutex_);
        for (Connection& connection : connections_)
            if (connection.fd >= 0) ::shutdown(connection.fd, SHUT_RDWR);
    }
    // The list no longer changes: the accept loop has ended.
    for (Connection& connection : connections_)
        if (connection.thread.joinable()) connection.thread.join();
    connections_.clear();
    listener_.reset();
    if (!socketPath_.empty()) ::unlink(socketPath_.c_str());
}

void ControlServer::AcceptLoop() {
    pollfd watch[2] = {{listener_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    while (!stopping_) {
        int ready = ::poll(watch, 2, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (watch[1].revents & POLLIN) != 0) break;
        if ((watch[0].revents & POLLIN) == 0) continue;
        UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!fd.valid()) continue;
        if (!PeerIsUs(fd.get())) continue; // closed unheard
        ReapFinished();
        std::lock_guard lock(mutex_);
        if (connections_.size() >= kMaxConnections) continue;
        Connection& connection = connections_.emplace_back();
        connection.fd = fd.get();
        connection.thread =
            std::thread([this, &connection, owned = std::move(fd)]() mutable { Serve(connection, std::move(owned)); });
    }
}

void ControlServer::ReapFinished() {
    std::list<Connection> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if (it->done) finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (Connection& connection : finished) connection.thread.join();
}

void ControlServer::Serve(Connection& connection, UniqueFd fd) {
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &kRequestTimeout, sizeof kRequestTimeout);
    ReplyWriter reply(fd.get(), stopping_);
    SocketLineReader reader(fd.get(), kMaxRequestLine);
    if (std::optional<std::string> line = reader.Next()) {
        nlohmann::json request = nlohmann::json::parse(*line, nullptr, false);
        std::string name;
        if (request.is_object())
            if (auto it = request.find("command"); it != request.end() && it->is_string())
                name = it->get<std::string>();
        if (std::optional<ControlCommand> command = ParseCommand(name)) {
            try {
                handler_(ControlRequest{*command}, reply);
            } catch (const std::exception& error) {
                reply.Result(ErrorResult(std::string("the client could not serve the request: ") + error.what()));
            }
            if (!reply.resultWritten()) reply.Result(ErrorResult("the client gave no answer"));
        } else if (request.is_discarded()) {
            reply.Result(ErrorResult("the request is not JSON"));
        } else {
            reply.Result(ErrorResult("unknown command: " + name));
        }
    }
    std::lock_guard lock(mutex_);
    fd.reset();
    connection.fd = -1;
    connection.done = true;
}

} // namespace zumaset
