#pragma once

#include "core/clock.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "core/paths.h"
#include "core/process_launcher.h"
#include "core/registry_file.h"
#include "desktop/klient_commands.h"
#include "desktop/qt_cycle_timer.h"
#include "desktop/signal_notifier.h"
#include "exchange/curl_transport.h"
#include "platform/client_control.h"
#include "platform/control_server.h"
#include "platform/instance_lock.h"
#include "platform/service_events.h"
#include "platform/service_notifier.h"
#include "platform/smtp_mail_notices.h"
#include "platform/systemd_service_control.h"
#include "shell/client_runtime.h"
#include "shell/client_start_up.h"
#include "shell/event_log.h"
#include "shell/pass_worker.h"
#include "shell/runtime_core.h"
#include "shell/service_control.h"
#include "shell/transfer_cycle.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zumaset {

// The running client program in either face: it starts the client, lets the
// timer's ticks and the menu commands run as passes on the pass thread, one
// at a time, and ends it through the shutdown when asked to (menu, window,
// SIGTERM or SIGINT). Started by the service manager it is the service:
// started from the outset, its event log in the journal, the manager told
// of its state, SIGUSR1/SIGUSR2/SIGRTMIN+k its pause, continue and control
// requests. Lives on the event-loop thread.
class ClientHost final : public QObject, public KlientCommands {
    Q_OBJECT
public:
    struct Options {
        Paths paths;
        std::filesystem::path registryFile;
        std::string programName = "zumaset";
        std::string faceName; // "desktop" or "headless", as status reports it
        bool service = false; // the service manager started this process
    };

    ClientHost(Options options, ClientFace& face, MessageBoxes& boxes);
    ~ClientHost() override;
    ClientHost(const ClientHost&) = delete;
    ClientHost& operator=(const ClientHost&) = delete;

    // The command line, the single-instance check and the start-up. Nothing
    // when the client now runs (enter the event loop); otherwise the exit status.
    std::optional<int> Start(const std::vector<std::string>& arguments);

    // The menu commands: they wait behind a running pass.
    void Send() override;
    void Receive() override;
    // The configuration command: the session is closed and the configuration
    // dialog shown while the pass thread waits, then the settings as saved are
    // taken and the session opened again. A second command while the dialog
    // is open (or waits to open) only brings it to the front.
    void Configure() override;
    void ViewLog(LogKind kind) override;
    // Ends the client: the running pass finishes, the shutdown runs, the event loop quits.
    void Exit() override;
    // Settings stored elsewhere are taken between passes (SIGHUP, zumasetctl reload).
    void Reload();

    // Called on the event-loop thread when another start of the client asks
    // this one to show itself; set before Start.
    void SetRaiseHandler(std::function<void()> raise) { raise_ = std::move(raise); }
    // The window's tray tip and caption for the service's events; set before Start (a desktop face).
    void SetWindowHandlers(std::function<void(std::string_view)> setTrayTip,
                           std::function<void(std::string_view)> setCaption) {
        setTrayTip_ = std::move(setTrayTip);
        setCaption_ = std::move(setCaption);
    }
    // Told of every change of the client model, on the thread that made it; set before Start.
    void SetModelObserver(ClientModel::Observer observer) { modelObserver_ = std::move(observer); }
    // Shows the configuration dialog for the running client's settings,
    // modally, and returns when it is closed; called on the event-loop thread.
    // Without it (no desktop) the configure command does nothing.
    using ConfigDialog = std::function<void(const Settings& settings)>;
    void SetConfigDialog(ConfigDialog show) { configDialog_ = std::move(show); }

    ClientRuntime& runtime() { return *runtime_; }
    Registry& registry() { return registry_; }
    const Options& options() const { return options_; }
    bool configuring() const { return configuring_; }
    TransferCycle& cycle() { return *cycle_; }
    PassWorker& worker() { return worker_; }
    const QtCycleTimer& timer() const { return timer_; }
    const std::string& faceName() const { return options_.faceName; }

signals:
    // The shutdown has run; the event loop may end.
    void finished();

private:
    void OnTick();
    void Post(std::function<void()> job);
    void FinishShutdown();
    // On the pass thread, inside the configuration command: shows the dialog
    // on the event-loop thread and waits until it is closed.
    void ShowConfigDialogAndWait();
    // Closes what the configuration dialog has open, innermost first, as
    // Cancel would, until the dialog has returned: the exit waits for it.
    void CancelConfigDialog();
    // Whether another client runs with these settings; it has then been asked to show itself.
    bool AnotherInstanceRaised();
    void StartControl();
    void StartServiceEvents();

    Options options_;
    ClientFace& face_;
    RegistryFile registry_;
    SystemClock clock_;
    CurlTransport transport_;
    MailNoticeRelay mail_;
    std::unique_ptr<ClientRuntime> runtime_;
    // The notices read the runtime's settings, so they are made after it.
    std::unique_ptr<SmtpMailNotices> smtp_;
    QtCycleTimer timer_;
    ServiceNotifier notifier_;
    // The journal for the service, standard error otherwise.
    std::unique_ptr<EventLog> eventLog_;
    std::unique_ptr<TransferCycle> cycle_;
    SystemdServiceControl service_;
    std::unique_ptr<ServiceEvents> serviceEvents_;
    QTimer watchdog_;
    std::function<void(std::string_view)> setTrayTip_;
    std::function<void(std::string_view)> setCaption_;
    std::unique_ptr<RuntimeClientCore> core_;
    std::unique_ptr<ClientLifecycle> lifecycle_;
    SpawnProcessLauncher launcher_;
    std::unique_ptr<SignalNotifier> signals_;
    std::function<void()> raise_;
    ConfigDialog configDialog_;
    // Event-loop thread only: a configure command is queued or its dialog open.
    bool configuring_ = false;
    bool dialogOpen_ = false; // the dialog itself is open (event-loop thread only)
    QTimer cancelConfig_;
    ClientModel::Observer modelObserver_;
    std::optional<InstanceLock> instanceLock_;
    std::unique_ptr<ClientControl> control_;
    std::unique_ptr<ControlServer> controlServer_;
    std::atomic<int> passesQueued_{0};
    bool stopping_ = false;
    std::thread stopper_;
    // Declared last: destroyed first, so no pass outlives what it uses.
    PassWorker worker_;
};

} // namespace zumaset
