#pragma once

#include "core/failure_report.h"
#include "core/settings.h"
#include "exchange/dial_up_gate.h"
#include "platform/nmcli.h"

#include <chrono>
#include <string>

namespace zumaset {

// The dial-up line through NetworkManager: phonebook entries are its
// connection profiles of the dialling kinds (see IsDiallingType), dialling
// brings the profile named RASName up and the hang-up brings down what this
// process brought up.
class NetworkManagerDialUp final : public DialUpGate {
public:
    // How long NetworkManager may take to bring the line up. Without
    // RASAutoDial the desktop's secret agent may ask the user for what the
    // profile lacks, so the dial waits longer for the answer.
    static constexpr std::chrono::seconds kUnattendedWait{90};
    static constexpr std::chrono::seconds kAttendedWait{150};
    static constexpr std::chrono::seconds kHangUpWait{30};

    NetworkManagerDialUp(const Settings& settings, const FailureReporter& reporter, Nmcli nmcli = Nmcli{})
        : settings_(settings), reporter_(reporter), nmcli_(std::move(nmcli)) {}

    bool EnsureDialUpConnection() override { return DialUp(); }
    void HangUp() override;

    // True when a dial-up line is up already (no dial happens), or when
    // RASName could be brought up. A failed dial is reported (box when
    // ShowErrMessage is on, error log, error notice) and gives false.
    bool DialUp();
    // Whether the first active connection of a dialling kind is in a state
    // that counts as up: authenticating (activating), connected (activated) or
    // disconnected (deactivating, deactivated). False without one and when
    // nmcli fails.
    bool IsRasConnected() const;

    // The active connection this process brought up and has not hung up:
    // NetworkManager's path of the activation, or the profile's name when
    // nmcli did not tell the path. Empty when there is none.
    const std::string& connection() const { return glRasConnection_; }

private:
    const Settings& settings_;
    const FailureReporter& reporter_;
    Nmcli nmcli_;
    std::string glRasConnection_;
    bool byPath_ = false;
};

} // namespace zumaset
