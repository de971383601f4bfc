#pragma once

#include "core/registry.h"
#include "core/settings.h"

#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace zumaset {

// What the configuration dialog works on and reports to.
struct ConfigDialogSetup {
    Registry& registry;                                // the settings are saved to and loaded from it
    Settings settings;                                 // the record the client holds now
    std::string exeName;                               // boxes' titles
    std::function<void(std::string_view)> addActivity; // a line for the main window's activity list, as given
    std::function<void(bool)> offerControlLog;         // offer/withdraw the connection-log menu command
    int initialTab = 0;                                // the tab shown first (0 "Účet" .. 5 "Adresy")
    // Optional: the record as saved and read back, after each Apply and after OK.
    std::function<void(const Settings&)> settingsApplied = {};
    // Optional: a RunMode option was chosen (true: test mode), or Cancel took
    // the choice back. The running client switches at once.
    std::function<void(bool)> runModeChanged = {};
};

// Shows the dialog modally over `owner` and returns when it closes: true when it was confirmed
// with OK (then "RunFirst" has been deleted), false when cancelled or closed.
bool ShowConfigDialog(QWidget* owner, ConfigDialogSetup setup);

} // namespace zumaset
