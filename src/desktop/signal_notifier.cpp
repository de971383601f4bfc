#include "desktop/signal_notifier.h"

#include <array>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace zumaset {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2};
// Control request 128 + k arrives as SIGRTMIN + k.
constexpr int kFirstControlRequest = 128;

std::vector<int> HandledSignals() {
    std::vector<int> handled(kSignals.begin(), kSignals.end());
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) handled.push_back(number);
    return handled;
}

// The one thing a signal handler may reach: where to write the signal's
// number. Set while a SignalNotifier exists; a handler cannot be given state.
std::atomic<int> gSignalPipe{-1}; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void WriteSignalToPipe(int signalNumber) {
    const int savedErrno = errno;
    const int fd = gSignalPipe.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a wake-up; losing this byte loses nothing.
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

SignalNotifier::SignalNotifier(QObject* parent) : QObject(parent) {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create the signal pipe");
    readEnd_.reset(fds[0]);
    writeEnd_.reset(fds[1]);
    gSignalPipe.store(writeEnd_.get());
    struct sigaction action {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : HandledSignals()) sigaction(signalNumber, &action, nullptr);
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadPending(); });
}

SignalNotifier::~SignalNotifier() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : HandledSignals()) sigaction(signalNumber, &action, nullptr);
    gSignalPipe.store(-1);
}

void SignalNotifier::ReadPending() {
    unsigned char byte = 0;
    while (::read(readEnd_.get(), &byte, 1) == 1) {
        const int number = byte;
        if (number == SIGHUP) {
            emit reloadRequested();
        } else if (number == SIGUSR1) {
            emit pauseRequested();
        } else if (number == SIGUSR2) {
            emit continueRequested();
        } else if (number >= SIGRTMIN && number <= SIGRTMAX) {
            emit controlRequested(kFirstControlRequest + number - SIGRTMIN);
        } else {
            emit terminateRequested();
        }
    }
}

} // namespace zumaset
