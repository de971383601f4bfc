#include "tinyproxy_process.h"

#include "temp_dir.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zumaset::test {
namespace {

class Socket {
public:
    Socket() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

int FreeLoopbackPort() {
    Socket socket;
    sockaddr_in address = Loopback(0);
    if (::bind(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot bind a loopback port");
    socklen_t length = sizeof address;
    ::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

bool WaitForListener(int port, std::chrono::milliseconds patience) {
    const auto until = std::chrono::steady_clock::now() + patience;
    for (;;) {
        Socket socket;
        sockaddr_in address = Loopback(port);
        if (::connect(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TinyproxyProcess::TinyproxyProcess(const std::filesystem::path& folder, const std::string& user,
                                   const std::string& password)
    : port_(FreeLoopbackPort()) {
    const auto config = folder / "tinyproxy.conf";
    WriteFileBytes(config, "Port " + std::to_string(port_) +
                               "\n"
                               "Listen 127.0.0.1\n"
                               "Timeout 60\n"
                               "MaxClients 20\n"
                               "Allow 127.0.0.1\n"
                               "LogLevel Info\n"
                               "LogFile \"" +
                               (folder / "tinyproxy.log").string() +
                               "\"\n"
                               "PidFile \"" +
                               (folder / "tinyproxy.pid").string() +
                               "\"\n"
                               "BasicAuth " +
                               user + " " + password + "\n");
    const std::string output = (folder / "tinyproxy.out").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = "tinyproxy", foreground = "-d", configFlag = "-c", configPath = config.string();
    std::vector<char*> argv{program.data(), foreground.data(), configFlag.data(), configPath.data(), nullptr};
    const int rc = posix_spawnp(&pid_, "tinyproxy", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start tinyproxy");
    if (!WaitForListener(port_, std::chrono::seconds(10))) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        throw std::runtime_error("tinyproxy did not start: " + ReadFileBytes(output));
    }
}

TinyproxyProcess::~TinyproxyProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {}
    }
}

} // namespace zumaset::test
