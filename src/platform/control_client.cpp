#include "platform/control_client.h"

#include "core/unique_fd.h"
#include "platform/instance_paths.h"
#include "platform/socket_lines.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

namespace zumaset {

namespace {

// Long enough for a register of many thousand records.
constexpr std::size_t kMaxReplyLine = 64 * 1024 * 1024;

ControlReply Failure(std::string text) {
    return {ControlReply::State::Failed, {}, std::move(text)};
}

} // namespace

ControlReply ControlClient::Request(ControlCommand command, const EventHandler& onEvent) const {
    InstanceFiles files = InstanceFilesFor(registryFile_);
    if (files.socket.empty()) return Failure(files.error);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& path = files.socket.native();
    if (path.size() >= sizeof address.sun_path) return Failure("the socket path is too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) return Failure(std::string("socket: ") + std::strerror(errno));
    int rc;
    do {
        rc = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        // No socket, or one left by a client that has ended.
        if (errno == ENOENT || errno == ECONNREFUSED) return {};
        return Failure("cannot reach the running client: " + std::string(std::strerror(errno)));
    }
    if (!WriteSocketLine(fd.get(), RequestJson(command).dump()))
        return Failure("the running client closed the connection");

    SocketLineReader reader(fd.get(), kMaxReplyLine);
    while (std::optional<std::string> line = reader.Next()) {
        nlohmann::json parsed = nlohmann::json::parse(*line, nullptr, false);
        if (IsResult(parsed)) return {ControlReply::State::Answered, std::move(parsed), {}};
        if (std::optional<ControlEvent> event = EventFromJson(parsed); event && onEvent) onEvent(*event);
    }
    return Failure("the running client ended the connection without an answer");
}

} // namespace zumaset
