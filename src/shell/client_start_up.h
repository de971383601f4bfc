#pragma once

#include "core/message_box.h"
#include "core/registry.h"
#include "core/settings.h"
#include "shell/event_log.h"
#include "shell/service_control.h"

#include <chrono>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// Exit statuses of the client program.
namespace clientexit {
inline constexpr int kOk = 0;
inline constexpr int kFailure = 1;       // a fatal start-up error; the service could not be installed or removed
inline constexpr int kUsage = 2;         // an argument the program does not take
inline constexpr int kNotConfigured = 3; // a first run that no dialog here can configure
} // namespace clientexit

// What the client shows of itself while it starts and ends: a window with a
// tray icon, or nothing at all when it runs without a desktop.
class ClientFace {
public:
    virtual ~ClientFace() = default;

    // A message box; returns when it is dismissed (a face without a desktop never waits).
    virtual void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) = 0;
    // The first-run configuration dialog, modal. False when this face has none to show.
    virtual bool ShowFirstRunDialog() = 0;
    // After a confirmed first-run dialog: offers to trust the operator's CA
    // certificates from the server of `settings` (as the dialog saved them).
    // Returns when the offer has ended, whatever the answers.
    virtual void OfferCaCertificates(const Settings& settings) = 0;
    // Offers or withdraws the connection-log command of the menus.
    virtual void SetControlLogOffered(bool offered) = 0;
    // Adds the tray icon and hides the window: the client's resting state.
    virtual void ShowInTray() = 0;
    virtual void RemoveTrayIcon() = 0;
    // Tells the person who started the program that the client must be
    // configured first and how (on the error stream, and in a box where there is a desktop).
    virtual void ReportNotConfigured(std::string_view text) = 0;
};

// How loading the register of sent files went.
enum class RegisterLoad { Loaded, Busy, Refused };

// The parts of the running client that the start-up sets going and the
// shutdown stops: settings, logs, activity list, register, timer, session.
class ClientCore {
public:
    virtual ~ClientCore() = default;

    virtual std::chrono::system_clock::time_point Now() const = 0;
    virtual void LoadSettings() = 0;
    virtual const Settings& settings() const = 0;
    virtual void WriteDebugTrace(std::string_view line) = 0;
    virtual void WriteErrorLog(std::string_view line) = 0;
    // Adds a line to the activity list exactly as given.
    virtual void AddActivityLine(std::string_view line) = 0;
    virtual RegisterLoad LoadRegister() = 0;
    // The timer's interval before the cycle arms it (milliseconds).
    virtual void SetTimerInterval(int milliseconds) = 0;
    virtual void ResetReceiptPolls() = 0;
    virtual void ArmTimer() = 0;
    // Opens the internet session; gives the text the trace shows for its handle.
    virtual std::string OpenSession() = 0;
    virtual bool serviceStarted() const = 0;
    // Writes the register to its file and releases it; false when that failed.
    virtual bool SaveRegister() = 0;
};

// An error that ends the start-up, with the number and description the
// fatal start-up report shows.
class StartUpError : public std::runtime_error {
public:
    StartUpError(long number, const std::string& description) : std::runtime_error(description), number_(number) {}
    long number() const { return number_; }

private:
    long number_;
};

// What a first run without a configuration dialog says: the commands that configure the client.
std::string NotConfiguredText(std::string_view programName);

// The arguments after the program name as the one text the client compares.
std::string CommandLineText(const std::vector<std::string>& arguments);

// Answers "--help" and "--version" on `out` (exit status 0); nothing for any
// other command line. Needs no face: a program may answer them before it has one.
std::optional<int> AnswerInformationRequest(std::string_view text, std::ostream& out);

// Answers the command line: "/i" and "/u" install or remove the service,
// "--help" and "--version" print to `out`, anything else but nothing is
// refused with message 904. Gives the exit status when the process ends
// here; nothing for a normal start.
std::optional<int> HandleCommandLine(std::string_view text, std::string_view programName, ClientFace& face,
                                     ServiceControl& service, std::ostream& out);

// The service parameter "TimerInterval" as the timer takes it: a whole number
// from 0 to 32767. Anything else throws the StartUpError the fatal report shows.
int TimerIntervalFromText(std::string_view text);

// The client's start-up after the command line and the single-instance check,
// and its shutdown, in the order the client has always followed.
class ClientLifecycle {
public:
    ClientLifecycle(ClientFace& face, ServiceControl& service, EventLog& events, ClientCore& core, Registry& registry,
                    std::string programName)
        : face_(face), service_(service), events_(events), core_(core), registry_(registry),
          programName_(std::move(programName)) {}

    // First run, settings, service wiring, activity lines, register, timer,
    // session, tray. Nothing when the client now runs; otherwise the exit
    // status (a fatal error has been reported, or a first run could not be
    // configured).
    std::optional<int> StartUp();

    // Trace, register saved, tray icon removed, service stopped; errors ignored.
    void ShutDown() noexcept;

    bool started() const { return started_; }

private:
    std::optional<int> FirstRun();
    void Run();
    void ReportFatal(long number, const std::string& description) noexcept;

    ClientFace& face_;
    ServiceControl& service_;
    EventLog& events_;
    ClientCore& core_;
    Registry& registry_;
    std::string programName_;
    bool started_ = false;
};

} // namespace zumaset
