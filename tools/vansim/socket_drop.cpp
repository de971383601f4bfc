#include "socket_drop.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>

namespace zumaset::vansim {
namespace {

int PortOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

std::string AddressOf(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    }
    return text;
}

} // namespace

// Calls action(fd, peer address, peer port) for every connected socket of this
// process whose local port is the given one.
template <typename Action> void ForEachConnection(int localPort, Action action) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        struct stat info {};
        if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localSize = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        if (PortOf(local) == localPort && action(fd, AddressOf(peer), PortOf(peer))) return;
    }
}

bool DropConnection(int localPort, const std::string& remoteAddress, int remotePort) {
    bool dropped = false;
    ForEachConnection(localPort, [&](int fd, const std::string& address, int port) {
        if (port != remotePort || address != remoteAddress) return false;
        dropped = shutdown(fd, SHUT_RDWR) == 0;
        return true;
    });
    return dropped;
}

void StopReadingConnections(int localPort) {
    ForEachConnection(localPort, [](int fd, const std::string&, int) {
        shutdown(fd, SHUT_RD);
        return false;
    });
}

} // namespace zumaset::vansim
