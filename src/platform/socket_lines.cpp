#include "platform/socket_lines.h"

#include <cerrno>
#include <sys/socket.h>

namespace zumaset {

bool WriteSocketLine(int fd, const std::string& line) {
    std::string bytes = line + '\n';
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t rc = ::send(fd, bytes.data() + written, bytes.size() - written, MSG_NOSIGNAL);
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return false;
        written += static_cast<std::size_t>(rc);
    }
    return true;
}

std::optional<std::string> SocketLineReader::Next() {
    for (;;) {
        if (std::size_t end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (buffer_.size() > maxLine_) return std::nullopt;
        char chunk[4096];
        ssize_t rc = ::recv(fd_, chunk, sizeof chunk, 0);
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(rc));
    }
}

} // namespace zumaset
