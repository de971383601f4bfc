#pragma once

#include "core/unique_fd.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace zumaset {

// Turns SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2 and the real-time signals
// into signals of the event loop. The handler only writes the signal's number
// into a pipe; the work happens when the event loop reads it. One per process.
class SignalNotifier final : public QObject {
    Q_OBJECT
public:
    explicit SignalNotifier(QObject* parent = nullptr);
    ~SignalNotifier() override;
    SignalNotifier(const SignalNotifier&) = delete;
    SignalNotifier& operator=(const SignalNotifier&) = delete;

signals:
    // SIGTERM or SIGINT: end the client through its shutdown.
    void terminateRequested();
    // SIGHUP: take the stored settings again.
    void reloadRequested();
    // SIGUSR1 and SIGUSR2: the service manager's (or the administrator's) pause and continue.
    void pauseRequested();
    void continueRequested();
    // SIGRTMIN + k: the service's control request 128 + k.
    void controlRequested(int number);

private:
    void ReadPending();

    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace zumaset
