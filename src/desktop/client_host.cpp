#include "desktop/client_host.h"

#include "platform/control_client.h"
#include "platform/journal_event_log.h"
#include "platform/network_manager_dial_up.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <iostream>

namespace zumaset {

namespace {

constexpr int kCancelPollMs = 20;

std::unique_ptr<EventLog> EventLogFor(bool service) {
    if (service) return MakeServiceEventLog();
    return std::make_unique<StreamEventLog>();
}

CurlTransportOptions TransportOptions(const Paths& paths) {
    CurlTransportOptions options;
    options.caFolder = paths.ca;
    return options;
}

} // namespace

ClientHost::ClientHost(Options options, ClientFace& face, MessageBoxes& boxes)
    : options_(std::move(options)), face_(face), registry_(options_.registryFile),
      transport_(TransportOptions(options_.paths)), eventLog_(EventLogFor(options_.service)),
      service_(registry_, notifier_, ThisProcessServiceOptions()) {
    runtime_ = std::make_unique<ClientRuntime>(
        ClientRuntime::Platform{registry_, clock_, boxes, mail_, transport_,
                                [](const Settings& settings, const FailureReporter& reporter) {
                                    return std::make_unique<NetworkManagerDialUp>(settings, reporter);
                                },
                                options_.paths, options_.registryFile, options_.programName});
    smtp_ = std::make_unique<SmtpMailNotices>(runtime_->settings(), runtime_->logs(), boxes, options_.programName);
    mail_.SetTarget(smtp_.get());
    cycle_ = std::make_unique<TransferCycle>(*runtime_, timer_, *eventLog_);
    // Started by the service manager, the process is the service from its
    // first moment: the Start event comes before the start-up, so even its
    // fatal errors go to the event log.
    if (options_.service) cycle_->SetServiceStarted();
    core_ = std::make_unique<RuntimeClientCore>(*runtime_, *cycle_, timer_);
    lifecycle_ =
        std::make_unique<ClientLifecycle>(face_, service_, *eventLog_, *core_, registry_, options_.programName);
    timer_.SetTickHandler([this] { OnTick(); });
    connect(&cancelConfig_, &QTimer::timeout, this, [this] { CancelConfigDialog(); });
}

ClientHost::~ClientHost() {
    worker_.Stop();
    if (stopper_.joinable()) stopper_.join();
    if (controlServer_) controlServer_->Stop();
}

std::optional<int> ClientHost::Start(const std::vector<std::string>& arguments) {
    if (auto ended = HandleCommandLine(CommandLineText(arguments), options_.programName, face_, service_, std::cout)) {
        return ended;
    }
    if (AnotherInstanceRaised()) return clientexit::kOk;
    StartServiceEvents();
    runtime_->model().SetObserver([this](ClientModel::Change change) {
        if (modelObserver_) modelObserver_(change);
        if (control_) control_->OnModelChange(change);
        if (change == ClientModel::Change::Transfer) serviceEvents_->OnTransfer(runtime_->model().transfer());
    });
    runtime_->logs().SetLineObserver([this](LogKind kind, std::string_view line) {
        if (control_) control_->OnLogLine(kind, line);
    });
    if (auto ended = lifecycle_->StartUp()) return ended;
    StartControl();
    signals_ = std::make_unique<SignalNotifier>(this);
    connect(signals_.get(), &SignalNotifier::terminateRequested, this, &ClientHost::Exit);
    connect(signals_.get(), &SignalNotifier::reloadRequested, this, &ClientHost::Reload);
    connect(signals_.get(), &SignalNotifier::pauseRequested, this, [this] { serviceEvents_->Pause(); });
    connect(signals_.get(), &SignalNotifier::continueRequested, this, [this] { serviceEvents_->Continue(); });
    connect(signals_.get(), &SignalNotifier::controlRequested, this,
            [this](int number) { serviceEvents_->Control(number); });
    if (options_.service) {
        serviceEvents_->Ready();
        if (const auto period = ServiceNotifier::WatchdogPeriod()) {
            connect(&watchdog_, &QTimer::timeout, this, [this] { notifier_.Watchdog(); });
            watchdog_.start(std::chrono::duration_cast<std::chrono::milliseconds>(*period));
        }
    }
    return std::nullopt;
}

void ClientHost::StartServiceEvents() {
    serviceEvents_ = std::make_unique<ServiceEvents>(
        ServiceEvents::Parts{*cycle_, *eventLog_, notifier_, service_.DisplayName(), setTrayTip_, setCaption_});
}

bool ClientHost::AnotherInstanceRaised() {
    std::string error;
    instanceLock_ = InstanceLock::TryAcquire(options_.registryFile, &error);
    if (instanceLock_) return false;
    if (!error.empty()) {
        // The lock cannot be taken at all: run, as the passes' own locks
        // still keep two clients from sending the same file.
        std::cerr << options_.programName << ": cannot check for another running client (" << error
                  << "); running without that check\n";
        return false;
    }
    const ControlReply reply = ControlClient(options_.registryFile).Request(ControlCommand::Raise);
    if (reply.state != ControlReply::State::Answered) {
        std::cerr << options_.programName << ": another client runs with these settings\n";
    }
    return true;
}

// The control channel is served only by the holder of the instance lock.
void ClientHost::StartControl() {
    control_ =
        std::make_unique<ClientControl>(ClientControl::Parts{*runtime_, *cycle_, worker_, timer_, options_.faceName,
                                                             [this] {
                                                                 QMetaObject::invokeMethod(
                                                                     this,
                                                                     [this] {
                                                                         if (raise_) raise_();
                                                                     },
                                                                     Qt::QueuedConnection);
                                                             },
                                                             [this] {
                                                                 QMetaObject::invokeMethod(
                                                                     this, [this] { Reload(); }, Qt::QueuedConnection);
                                                             }});
    if (!instanceLock_) return;
    controlServer_ = std::make_unique<ControlServer>(
        options_.registryFile,
        [this](const ControlRequest& request, ReplyWriter& reply) { control_->Handle(request, reply); });
    if (!controlServer_->listening()) {
        std::cerr << options_.programName << ": the control channel is not available: " << controlServer_->error()
                  << '\n';
    }
}

// A tick that arrives while a pass is queued or running is not wanted: the
// pass disables the timer for its whole length.
void ClientHost::OnTick() {
    if (stopping_ || !lifecycle_->started() || passesQueued_.load() > 0) return;
    Post([this] { cycle_->TimerApp_Timer(); });
}

void ClientHost::Post(std::function<void()> job) {
    if (stopping_) return;
    ++passesQueued_;
    worker_.Post([this, job = std::move(job)] {
        job();
        --passesQueued_;
    });
}

void ClientHost::Send() {
    Post([this] { cycle_->mnuPopSend_Click(); });
}

void ClientHost::Receive() {
    Post([this] { cycle_->mnuPopGet_Click(); });
}

void ClientHost::Configure() {
    if (!configDialog_ || stopping_ || !lifecycle_->started()) return;
    if (configuring_) {
        // Already open (or about to open): brought to the front instead.
        if (QWidget* open = QApplication::activeModalWidget()) {
            open->raise();
            open->activateWindow();
        }
        return;
    }
    configuring_ = true;
    Post([this] { cycle_->mnuPopConfig_Click([this] { ShowConfigDialogAndWait(); }); });
}

// The settings are read on the pass thread, whose they are; the dialog
// saves to the registry, and the command reloads from there once it returns.
void ClientHost::ShowConfigDialogAndWait() {
    const Settings current = runtime_->settings();
    QMetaObject::invokeMethod(
        this,
        [this, &current] {
            if (!stopping_) {
                dialogOpen_ = true;
                configDialog_(current);
                dialogOpen_ = false;
            }
            configuring_ = false;
        },
        Qt::BlockingQueuedConnection);
}

void ClientHost::CancelConfigDialog() {
    if (!configuring_) {
        cancelConfig_.stop();
        return;
    }
    // Only what the dialog opened: a box of a pass still running is the user's to close.
    if (!dialogOpen_) return;
    if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) open->reject();
}

void ClientHost::ViewLog(LogKind kind) {
    Post([this, kind] { cycle_->ViewLog(kind, launcher_); });
}

// As the configuration dialog does when it saves, the connection-log command
// follows the reloaded WriteLogControl.
void ClientHost::Reload() {
    Post([this] {
        cycle_->ReloadSettings();
        const bool offered = runtime_->settings().WriteLogControl;
        QMetaObject::invokeMethod(
            this, [this, offered] { face_.SetControlLogOffered(offered); }, Qt::QueuedConnection);
    });
}

// The running pass may wait on a box the event loop shows, so the worker is
// stopped on a thread of its own and the shutdown continues on the event loop
// once it has.
void ClientHost::Exit() {
    if (stopping_) return;
    stopping_ = true;
    // The manager learns at once that the end has begun; the running pass may take a while.
    if (options_.service) notifier_.Stopping();
    timer_.SetEnabled(false);
    // The pass thread waits for the open dialog: it is cancelled, and so is
    // any box it shows on the way out.
    if (configuring_) {
        CancelConfigDialog();
        cancelConfig_.start(kCancelPollMs);
    }
    stopper_ = std::thread([this] {
        worker_.Stop();
        QMetaObject::invokeMethod(
            this, [this] { FinishShutdown(); }, Qt::QueuedConnection);
    });
}

void ClientHost::FinishShutdown() {
    cancelConfig_.stop();
    if (controlServer_) controlServer_->Stop();
    if (lifecycle_->started()) lifecycle_->ShutDown();
    emit finished();
}

} // namespace zumaset
