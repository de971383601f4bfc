#include "platform/network_manager_dial_up.h"

#include "platform/ras_entries.h"
#include "platform/ras_error_text.h"

#include <string_view>

namespace zumaset {

namespace {

// The states of a dial-up connection the line's rule knows.
enum class RasState { Authenticating, Connected, Disconnected, Other };

RasState StateOf(std::string_view state) {
    if (state == "activating") return RasState::Authenticating;
    if (state == "activated") return RasState::Connected;
    if (state == "deactivating" || state == "deactivated") return RasState::Disconnected;
    return RasState::Other;
}

// The activation's path in nmcli's success message "Connection successfully
// activated (D-Bus active path: /org/freedesktop/NetworkManager/ActiveConnection/7)".
std::string ActivePath(std::string_view said) {
    constexpr std::string_view kLabel = "D-Bus active path: ";
    const auto label = said.find(kLabel);
    if (label == std::string_view::npos) return {};
    said.remove_prefix(label + kLabel.size());
    const std::string_view path = said.substr(0, said.find_first_of(") \r\n"));
    return path.substr(0, 1) == "/" ? std::string(path) : std::string();
}

} // namespace

bool NetworkManagerDialUp::IsRasConnected() const {
    const NmcliAnswer answer = nmcli_.Query("NAME,TYPE,STATE", {"connection", "show", "--active"});
    if (!answer.ok()) return false;
    for (const auto& row : answer.Rows()) {
        if (row.size() < 3 || !IsDiallingType(row[1])) continue;
        // Only the first dial-up connection is examined; a disconnected one
        // still counts as up, and the transfer then fails on the network.
        return StateOf(row[2]) != RasState::Other;
    }
    return false;
}

bool NetworkManagerDialUp::DialUp() {
    if (IsRasConnected()) return true;
    // No --ask: nmcli runs without a terminal and must not prompt; with
    // RASAutoDial off the desktop's secret agent is the one that asks.
    const auto wait = settings_.RASAutoDial ? kUnattendedWait : kAttendedWait;
    const NmcliAnswer answer = nmcli_.Command(wait, {"connection", "up", "id", settings_.RASName});
    if (answer.ok()) {
        const std::string path = ActivePath(answer.out);
        byPath_ = !path.empty();
        glRasConnection_ = byPath_ ? path : settings_.RASName;
        return true;
    }
    std::string text = answer.Message();
    if (text.empty()) text = RasErrorText(answer.code);
    reporter_.ReportFailure(
        FailureReport{answer.code, text, {}, MessageIcon::Exclamation, CodeAndText(answer.code, text)});
    return false;
}

// The activation's path addresses exactly the line this process dialled: once
// it is down, a line someone else brings up later under the same profile gets
// another path and is left alone. What was hung up is forgotten, so the
// regular passes' hang-ups do not touch it again.
void NetworkManagerDialUp::HangUp() {
    if (glRasConnection_.empty()) return;
    nmcli_.Command(kHangUpWait, {"connection", "down", byPath_ ? "apath" : "id", glRasConnection_});
    glRasConnection_.clear();
}

} // namespace zumaset
