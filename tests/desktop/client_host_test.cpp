// The client program's host with its desktop face, on the offscreen platform:
// the start-up ends with the window out of the way, a second start restores
// it, and the commands that hand work between the pass and the event loop.
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "desktop/client_host.h"
#include "desktop/client_program.h"
#include "desktop/desktop_face.h"

#include "event_loop.h"
#include "temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace zumaset {
namespace {

// A host wired to a desktop face of its own.
struct DesktopClient {
    explicit DesktopClient(const ClientHost::Options& options) : host(options, face, face.boxes()) {
        WireDesktopFace(host, face);
    }
    QAction& Menu(const char* name) { return *face.window().findChild<QAction*>(QString::fromLatin1(name)); }

    DesktopFace face;
    ClientHost host;
};

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

    test::TempDir dir;
};

TEST_F(ClientHostTest, StartsOutOfTheWayAndIsRestoredByASecondStart) {
    DesktopClient first(Options());
    ASSERT_EQ(first.host.Start({}), std::nullopt);
    // No notification area offscreen: minimised, not hidden.
    EXPECT_TRUE(first.face.window().isMinimized());

    DesktopClient second(Options());
    EXPECT_EQ(second.host.Start({}), clientexit::kOk);
    EXPECT_FALSE(second.face.window().isVisible());
    EXPECT_TRUE(
        ProcessEventsUntil([&] { return !first.face.window().isMinimized() && first.face.window().isVisible(); }));
}

// Stands in for the configuration dialog: modal; accepted, it stores the
// user "DEKL02"; it can open a box of its own over itself.
struct StandInDialog {
    void operator()(const Settings& settings) {
        given = settings;
        QDialog dialog;
        if (withBox) {
            QTimer::singleShot(0, &dialog, [&dialog] { QMessageBox::warning(&dialog, "zumaset", "Chyba"); });
        }
        if (dialog.exec() == QDialog::Accepted) {
            RegistryFile registry(file);
            registry.SetValue(Hive::CurrentUser, kSettingsKey, "User", std::string("DEKL02"), RegType::Sz);
        }
        ++closed;
    }
    std::filesystem::path file;
    bool withBox = false;
    Settings given{};
    int closed = 0;
};

template <typename Widget> Widget* OpenModal() {
    auto* open = qobject_cast<Widget*>(QApplication::activeModalWidget());
    return open != nullptr && open->isVisible() ? open : nullptr;
}

// Acts once on every modal Widget that opens. It polls from the event loop,
// so it also runs inside the modal's own loop, where the test's code waits.
template <typename Widget> class OnModal {
public:
    explicit OnModal(std::function<void(Widget&)> act) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, act = std::move(act)] {
            Widget* open = OpenModal<Widget>();
            if (open == nullptr || open == last_) return;
            last_ = open;
            // Acted on later, so that a modal the act opens is seen too.
            QTimer::singleShot(0, open, [act, open] { act(*open); });
        });
        poll_.start(5);
    }

private:
    QTimer poll_;
    QPointer<Widget> last_;
};

// The command hands the dialog to the event-loop thread while the pass
// thread waits with the session closed and the timer off; a second command
// meanwhile does nothing; OK's settings are in force once it is closed.
TEST_F(ClientHostTest, TheConfigureCommandShowsTheDialogWhileThePassWaitsAndTakesItsSettings) {
    DesktopClient client(Options());
    auto& [face, host] = client;
    auto standIn = std::make_shared<StandInDialog>(StandInDialog{registryFile()});
    host.SetConfigDialog([standIn](const Settings& settings) { (*standIn)(settings); });
    ASSERT_EQ(host.Start({}), std::nullopt);
    QAction* configure = &client.Menu("mnuConfig");
    bool timerOffWhileOpen = false;
    std::string lastActivity;
    OnModal<QDialog> accept([&](QDialog& dialog) {
        timerOffWhileOpen = !host.timer().Enabled();
        lastActivity = host.runtime().model().activity().back();
        configure->trigger();
        QCoreApplication::processEvents();
        dialog.accept();
    });
    configure->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return standIn->closed == 1 && host.timer().Enabled(); }));
    EXPECT_EQ(standIn->given.User, "DEKL01");
    EXPECT_TRUE(timerOffWhileOpen);
    EXPECT_TRUE(lastActivity.ends_with(" * Spuštěna konfigurace")) << lastActivity;
    std::atomic<bool> read = false;
    std::string user;
    host.worker().Post([&] {
        user = host.runtime().settings().User;
        read = true;
    });
    ASSERT_TRUE(ProcessEventsUntil([&] { return read.load(); }));
    EXPECT_EQ(user, "DEKL02");
}

struct ExitCase {
    std::string name;
    bool withBox; // a stand-in with a box of its own open; otherwise the real dialog
};

void PrintTo(const ExitCase& c, std::ostream* os) {
    *os << c.name;
}

class ExitWhileConfiguring : public ClientHostTest, public ::testing::WithParamInterface<ExitCase> {};

// The pass waits for the dialog: the exit closes it (and any box over it) as
// Cancel would, so nothing is saved and the shutdown runs.
TEST_P(ExitWhileConfiguring, CancelsTheDialogAndEnds) {
    DesktopClient client(Options());
    auto& host = client.host;
    auto standIn = std::make_shared<StandInDialog>(StandInDialog{registryFile(), GetParam().withBox});
    if (GetParam().withBox) host.SetConfigDialog([standIn](const Settings& settings) { (*standIn)(settings); });
    ASSERT_EQ(host.Start({}), std::nullopt);
    bool finished = false;
    QObject::connect(&host, &ClientHost::finished, [&] { finished = true; });
    QAction* exit = &client.Menu("mnuPopExit");
    int exits = 0;
    OnModal<QDialog> exitWhenOpen([&](QDialog& open) {
        const bool box = qobject_cast<QMessageBox*>(&open) != nullptr;
        if (box != GetParam().withBox) return;
        ++exits;
        exit->trigger();
    });
    client.Menu("mnuPopConfig").trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return finished; }));
    EXPECT_EQ(exits, 1);
    Settings stored;
    RegistryFile registry(registryFile());
    LoadSettings(stored, registry);
    EXPECT_EQ(stored.User, "DEKL01");
    EXPECT_EQ(OpenModal<QWidget>(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ExitWhileConfiguring,
                         ::testing::Values(ExitCase{"TheDialog", false}, ExitCase{"ABoxOverTheDialog", true}),
                         [](const auto& info) { return info.param.name; });

// A first run on the desktop: the dialog over the window, and after OK the
// certificate offer (declined here) before the client starts.
TEST_F(ClientHostTest, AFirstRunShowsTheDialogAndOffersTheCertificatesAfterOk) {
    RegistryFile registry(registryFile());
    Settings settings;
    LoadSettings(settings, registry);
    settings.Pass = "heslo";
    settings.CuOption = "ABC|CZ900000%";
    settings.ServerTxt = settings.ServerXml = "127.0.0.1:1";
    SaveSettings(settings, registry);
    registry.SetValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue, std::int32_t{1}, RegType::Dword);
    DesktopClient client(Options());
    QStringList seen;
    OnModal<QDialog> answer([&](QDialog& open) {
        seen << open.windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(&open)) box->reject();
        if (auto* ok = open.findChild<QPushButton*>(QStringLiteral("cmdOK_0"))) ok->click();
    });
    EXPECT_EQ(client.host.Start({}), std::nullopt);
    EXPECT_EQ(seen, QStringList({"Zumaset - Konfigurace", "zumaset - Instalace certifikátu CA"}));
    client.Menu("mnuExit").trigger();
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
