// The client program's host with its desktop face, on the offscreen platform:
// the start-up ends with the window out of the way, a second start restores
// it, and the exit command runs the shutdown.
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "desktop/client_host.h"
#include "desktop/client_program.h"
#include "desktop/desktop_face.h"

#include "event_loop.h"
#include "temp_dir.h"

#include <QAction>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zumaset {
namespace {

class ClientHostTest : public ::testing::Test {
protected:
    ClientHostTest() {
        std::filesystem::create_directories(dir / "run");
        chmod((dir / "run").c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        Settings settings;
        settings.User = "DEKL01";
        settings.LogsPath = (dir / "Logy").string() + "/";
        settings.ErrLogPath = settings.LogsPath;
        settings.ConLogPath = settings.LogsPath;
        settings.WriteDebugLog = true;
        RegistryFile registry(registryFile());
        SaveSettings(settings, registry);
    }
    ~ClientHostTest() override { unsetenv("XDG_RUNTIME_DIR"); }

    std::filesystem::path registryFile() const { return dir / "registry.reg"; }
    ClientHost::Options Options() const {
        return {Paths{dir.path(), dir / "data", dir / "ca"}, registryFile(), "zumaset", "desktop"};
    }
    static void Wire(ClientHost& host, DesktopFace& face) { WireDesktopFace(host, face); }

    test::TempDir dir;
};

TEST_F(ClientHostTest, StartsOutOfTheWayAndIsRestoredByASecondStart) {
    DesktopFace face;
    ClientHost host(Options(), face, face.boxes());
    Wire(host, face);
    ASSERT_EQ(host.Start({}), std::nullopt);
    // No notification area offscreen: minimised, not hidden.
    EXPECT_TRUE(face.window().isMinimized());
    EXPECT_TRUE(ProcessEventsUntil([&] { return face.window().isVisible(); }));

    DesktopFace secondFace;
    ClientHost second(Options(), secondFace, secondFace.boxes());
    Wire(second, secondFace);
    EXPECT_EQ(second.Start({}), clientexit::kOk);
    EXPECT_FALSE(secondFace.window().isVisible());
    EXPECT_TRUE(ProcessEventsUntil([&] { return !face.window().isMinimized() && face.window().isVisible(); }));
}

// The service manager's pause, continue and control requests reach the
// window as signals of the process.
TEST_F(ClientHostTest, PauseContinueAndControlSignalsSetTheTrayTipAndTheCaption) {
    DesktopFace face;
    ClientHost host(Options(), face, face.boxes());
    Wire(host, face);
    ASSERT_EQ(host.Start({}), std::nullopt);
    std::raise(SIGUSR1);
    EXPECT_TRUE(ProcessEventsUntil([&] { return host.cycle().paused(); }));
    EXPECT_EQ(face.window().tray().trayTip(), QStringLiteral("Služba Zumaset je pozastavena"));
    EXPECT_FALSE(host.timer().Enabled());
    std::raise(SIGUSR2);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !host.cycle().paused(); }));
    EXPECT_EQ(face.window().tray().trayTip(), QStringLiteral("Služba Zumaset je spuštěna"));
    EXPECT_TRUE(host.timer().Enabled());
    std::raise(SIGRTMIN);
    EXPECT_TRUE(ProcessEventsUntil(
        [&] { return face.window().windowTitle() == QStringLiteral("Zumaset Service Control signal 128"); }));
}

TEST_F(ClientHostTest, TheExitCommandRunsTheShutdown) {
    DesktopFace face;
    ClientHost host(Options(), face, face.boxes());
    Wire(host, face);
    ASSERT_EQ(host.Start({}), std::nullopt);
    bool finished = false;
    QObject::connect(&host, &ClientHost::finished, [&] { finished = true; });
    auto* exit = face.window().findChild<QAction*>(QStringLiteral("mnuExit"));
    ASSERT_NE(exit, nullptr);
    exit->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return finished; }));
    const std::string debug = test::ReadFileBytes(dir / "Logy" / "Debug.log");
    EXPECT_NE(debug.find("<A01>"), std::string::npos);
    EXPECT_NE(debug.find("[ZUMASET       -   END]<A03>"), std::string::npos);
}

// An environment and the face the program picks in it.
struct FaceCase {
    std::string name;
    std::map<std::string, std::string> environment;
    bool headless;
};

void PrintTo(const FaceCase& c, std::ostream* os) {
    *os << c.name;
}

class FaceChoice : public ::testing::TestWithParam<FaceCase> {};

TEST_P(FaceChoice, IsHeadlessWithoutADisplayOrUnderTheServiceManager) {
    EXPECT_EQ(RunsHeadless(GetParam().environment), GetParam().headless);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, FaceChoice,
    ::testing::Values(FaceCase{"NoDisplay", {}, true}, FaceCase{"X11", {{"DISPLAY", ":0"}}, false},
                      FaceCase{"Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
                      FaceCase{"EmptyDisplay", {{"DISPLAY", ""}}, true},
                      FaceCase{"StartedBySystemd", {{"DISPLAY", ":0"}, {"INVOCATION_ID", "4f2a"}}, true},
                      FaceCase{"NotifySocket", {{"WAYLAND_DISPLAY", "wayland-0"}, {"NOTIFY_SOCKET", "/run/x"}}, true}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace zumaset
