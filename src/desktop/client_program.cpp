#include "desktop/client_program.h"

#include "core/paths.h"
#include "core/registry_file.h"
#include "desktop/client_host.h"
#include "desktop/desktop_face.h"
#include "platform/systemd_unit.h"
#include "shell/headless_face.h"

#include <QApplication>
#include <QCoreApplication>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace zumaset {

namespace {

void IgnoreRequestSignals() {
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGUSR1, SIG_IGN);
    std::signal(SIGUSR2, SIG_IGN);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) std::signal(signal, SIG_IGN);
}

bool IsSet(const std::map<std::string, std::string>& environment, const std::string& name) {
    const auto found = environment.find(name);
    return found != environment.end() && !found->second.empty();
}

int RunHeadless(int& argc, char** argv, const std::vector<std::string>& arguments, ClientHost::Options options) {
    QCoreApplication app(argc, argv);
    HeadlessFace face(std::cerr);
    options.faceName = "headless";
    ClientHost host(std::move(options), face, face.boxes());
    if (auto ended = host.Start(arguments)) return *ended;
    QObject::connect(&host, &ClientHost::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}

int RunDesktop(int& argc, char** argv, const std::vector<std::string>& arguments, ClientHost::Options options) {
    // The desktop entry's name: Wayland shells match the window to the entry
    // by it, X11 ones by the class, which follows the application's name.
    QApplication::setApplicationName(QStringLiteral("zumaset"));
    QApplication::setDesktopFileName(QStringLiteral("zumaset"));
    QApplication app(argc, argv);
    // The window hidden in the tray is the client's usual state; only the
    // shutdown ends the event loop.
    QApplication::setQuitOnLastWindowClosed(false);
    DesktopFace face;
    options.faceName = "desktop";
    ClientHost host(std::move(options), face, face.boxes());
    WireDesktopFace(host, face);
    if (auto ended = host.Start(arguments)) return *ended;
    QObject::connect(&host, &ClientHost::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}

} // namespace

void WireDesktopFace(ClientHost& host, DesktopFace& face) {
    face.SetCommands(host);
    face.ShowModel(host.runtime().model());
    host.SetModelObserver([&face](ClientModel::Change change) { face.bridge()->OnChange(change); });
    host.SetRaiseHandler([&face] { face.Raise(); });
    face.SetClientParts(
        DesktopFace::ClientParts{host.registry(), host.options().paths.ca, host.options().programName,
                                 [&host](std::string_view line) { host.runtime().model().AddActivityLine(line); }});
    host.SetConfigDialog([&face](const Settings& settings) { face.ShowConfiguration(settings); });
    host.SetWindowHandlers(
        [&face](std::string_view tip) {
            face.window().tray().SetTrayTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
        },
        [&face](std::string_view caption) {
            face.window().setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        });
}

bool RunsHeadless(const std::map<std::string, std::string>& environment) {
    if (StartedByServiceManager(environment)) return true;
    return !IsSet(environment, "DISPLAY") && !IsSet(environment, "WAYLAND_DISPLAY");
}

bool RunsHeadless() {
    std::map<std::string, std::string> environment;
    for (const char* name : {"NOTIFY_SOCKET", "INVOCATION_ID", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name)) environment[name] = value;
    }
    return RunsHeadless(environment);
}

int RunClientProgram(int& argc, char** argv) {
    // The arguments as given, before Qt takes its own out of argv.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Until the client's own handlers are installed after the start-up, the
    // signals that ask it for something (reload, pause, continue, control)
    // are ignored: their default action would end it. SIGTERM and SIGINT
    // keep theirs; the register of sent files is on disk after every change.
    IgnoreRequestSignals();
    // Answered before any Qt application exists, so they work without a usable display too.
    if (auto answered = AnswerInformationRequest(CommandLineText(arguments), std::cout)) return *answered;
    const Paths paths = PathsFrom(ProcessEnvironment());
    ClientHost::Options options{paths, DefaultRegistryPath(paths), "zumaset", {}, StartedByServiceManager()};
    if (RunsHeadless()) return RunHeadless(argc, argv, arguments, std::move(options));
    return RunDesktop(argc, argv, arguments, std::move(options));
}

} // namespace zumaset
