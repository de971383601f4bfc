// The client program as a systemd service, without systemd: a fake systemctl
// first on PATH records what the client asks of the manager, a datagram
// socket of the test's own is the notify socket, and the event log goes to a
// file the test reads instead of the journal.
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "core/unique_fd.h"
#include "platform/control_client.h"
#include "shell/service_control.h"

#include "client_process.h"
#include "client_program_fixture.h"
#include "ctl_runner.h"
#include "temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zumaset {
namespace {

// The notify socket the service manager would listen on.
class NotifySocket {
public:
    explicit NotifySocket(std::filesystem::path path) : path_(std::move(path)) {
        fd_.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof(address.sun_path) - 1);
        if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            throw std::runtime_error("cannot bind the notify socket");
        }
    }
    const std::filesystem::path& path() const { return path_; }

    // Every message until one equals `wanted`; false when none came before
    // the hang guard ran out.
    bool WaitFor(const std::string& wanted) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            pollfd ready{fd_.get(), POLLIN, 0};
            if (::poll(&ready, 1, 100) != 1) continue;
            std::string message(4096, '\0');
            const auto size = ::recv(fd_.get(), message.data(), message.size(), 0);
            if (size < 0) continue;
            message.resize(static_cast<std::size_t>(size));
            received.push_back(message);
            if (message == wanted) return true;
        }
        return false;
    }

    std::vector<std::string> received;

private:
    std::filesystem::path path_;
    UniqueFd fd_;
};

class ZumasetService : public test::ClientProgramFixture {
protected:
    ZumasetService() {
        std::filesystem::create_directories(dir / "bin");
        test::WriteFileBytes(dir / "bin" / "systemctl",
                             "#!/bin/sh\necho \"$*\" >> '" + (dir / "calls").string() + "'\nexit 0\n");
        chmod((dir / "bin" / "systemctl").c_str(), 0755);
    }
    std::filesystem::path unit() const { return dir / "units" / "zumaset.service"; }
    std::string events() const {
        return std::filesystem::exists(dir / "events") ? test::ReadFileBytes(dir / "events") : std::string();
    }
    std::string calls() const {
        return std::filesystem::exists(dir / "calls") ? test::ReadFileBytes(dir / "calls") : std::string();
    }

    // The fake systemctl first on PATH, the unit folder and the event log in the test's folder.
    std::vector<std::string> Environment() const {
        const char* path = std::getenv("PATH");
        return {"PATH=" + (dir / "bin").string() + ":" + (path != nullptr ? path : "/usr/bin:/bin"),
                "ZUMASET_UNIT_DIR=" + (dir / "units").string(), "ZUMASET_EVENT_LOG_FILE=" + (dir / "events").string()};
    }
    // As the service manager starts it.
    std::vector<std::string> ServiceEnvironment(const NotifySocket& socket) const {
        auto environment = Environment();
        environment.push_back("NOTIFY_SOCKET=" + socket.path().string());
        environment.push_back("INVOCATION_ID=0123456789abcdef0123456789abcdef");
        return environment;
    }

    StatusResult Status() {
        return StatusResultFromJson(ControlClient(registryFile()).Request(ControlCommand::Status).result);
    }
};

// "/i" and "/u" as an administrator runs them: their exit status, their words
// and what the manager is asked. When they fail is pinned by the unit tests.
TEST_F(ZumasetService, InstallsAndRemovesTheUnit) {
    Save(BaseSettings());
    std::filesystem::create_directories(unit().parent_path());
    test::ClientProcess install({"/i"}, Environment());
    EXPECT_EQ(install.WaitForExit(), 0) << install.Output();
    EXPECT_NE(install.Output().find("Služba  'Zumaset Service'  byla úspěšně nainstalována."), std::string::npos)
        << install.Output();
    EXPECT_NE(test::ReadFileBytes(unit()).find("ExecStart=\"" + test::ClientExecutable().string() + "\"\n"),
              std::string::npos);
    RegistryFile registry(registryFile());
    EXPECT_EQ(RegistryServiceControl(registry).GetSetting("Parameters", "TimerInterval", "none"), "20000");

    test::ClientProcess remove({"/u"}, Environment());
    EXPECT_EQ(remove.WaitForExit(), 0) << remove.Output();
    EXPECT_NE(remove.Output().find("Služba  'Zumaset Service'  byla úspěšně odebrána."), std::string::npos)
        << remove.Output();
    EXPECT_FALSE(std::filesystem::exists(unit()));
    const std::string user = ::geteuid() == 0 ? "" : "--user ";
    EXPECT_EQ(calls(), user + "daemon-reload\n" + user + "enable zumaset.service\n" + user +
                           "disable zumaset.service\n" + user + "daemon-reload\n");
}

// What a pass does while paused is pinned by the cycle's tests; here the
// manager's side: readiness, status lines, events, watchdog and stop.
TEST_F(ZumasetService, PausesContinuesFeedsTheWatchdogAndStops) {
    // On-line mode off, TimeInterval 0: only the service makes the 20-second rhythm.
    Save(BaseSettings());
    NotifySocket notify(dir / "notify.sock");
    auto environment = ServiceEnvironment(notify);
    environment.push_back("WATCHDOG_USEC=200000");
    test::ClientProcess client({}, environment);
    ASSERT_TRUE(notify.WaitFor("READY=1")) << client.Output();
    EXPECT_EQ(notify.received.front(), "STATUS=Služba Zumaset je spuštěna");
    EXPECT_TRUE(notify.WaitFor("WATCHDOG=1"));
    const StatusResult status = Status();
    EXPECT_TRUE(status.service);
    EXPECT_EQ(status.intervalMs, 20000);
    EXPECT_EQ(status.pid, client.pid());

    test::CtlRunner ctl(registryFile());
    ASSERT_EQ(ctl.Run({"pause"}), 0) << ctl.err.str();
    ASSERT_TRUE(notify.WaitFor("STATUS=Služba Zumaset je pozastavena"));
    EXPECT_NE(events().find("MESSAGE=event 110: Service Paused\n"), std::string::npos) << events();
    EXPECT_TRUE(Status().paused);

    client.Signal(SIGRTMIN + 3);
    ASSERT_TRUE(notify.WaitFor("STATUS=Zumaset Service Control signal 131"));

    ASSERT_EQ(ctl.Run({"continue"}), 0) << ctl.err.str();
    ASSERT_TRUE(notify.WaitFor("STATUS=Služba Zumaset je spuštěna"));
    EXPECT_NE(events().find("MESSAGE=event 110: Service Continue\n"), std::string::npos) << events();
    EXPECT_FALSE(Status().paused);

    client.Signal(SIGTERM);
    EXPECT_TRUE(notify.WaitFor("STOPPING=1"));
    EXPECT_EQ(client.WaitForExit(), 0) << client.Output();
}

} // namespace
} // namespace zumaset
