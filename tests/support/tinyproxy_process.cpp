#include "tinyproxy_process.h"

#include "temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zumaset::test {

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
