#pragma once

#include "core/message_box.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// The dial-up entries offered in RASName and the one selected.
struct RasChoice {
    std::vector<std::string> names;
    std::size_t selected = 0;
};

// Everything the configuration form reaches outside itself: the system's
// connection facts, the folder picker, the boxes and the main window.
class ConfigFormHost {
public:
    virtual ~ConfigFormHost() = default;

    // One connection-state flag: non-zero when set, -1 for an unknown flag.
    virtual int ConnectionStateFlag(int flag) = 0;
    // The dial-up entries, selecting `rasName`; nothing when there is none.
    virtual std::optional<RasChoice> ListRasEntries(std::string_view rasName) = 0;
    // The chosen folder ending with "/", or "" when the picker was cancelled.
    virtual std::string BrowseForFolder() = 0;
    // A box with one OK button; returns when it is closed.
    virtual void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) = 0;
    // A question with Yes and No and the exclamation icon: true for Yes.
    virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
    // A line for the main window's activity list.
    virtual void AddActivity(std::string_view line) = 0;
    // Offers (true) or withdraws the command that shows the connection log.
    virtual void OfferControlLog(bool offer) = 0;
    // The running client's mode changed (true: test mode).
    virtual void RunModeChanged(bool testMode) = 0;
};

} // namespace zumaset
