#pragma once

#include "shell/config_form_host.h"

#include <deque>
#include <string>
#include <vector>

namespace zumaset::test {

// A configuration form host that answers from its fields and keeps what the
// form asked it to show.
class RecordingConfigHost final : public ConfigFormHost {
public:
    struct Box {
        std::string title;
        std::string text;
        MessageIcon icon;
        bool question;
    };

    int ConnectionStateFlag(int flag) override { return flag == 16 ? dialUpSupport : flag == 2 ? lan : -1; }
    std::optional<RasChoice> ListRasEntries(std::string_view rasName) override {
        listedFor = std::string(rasName);
        return rasEntries;
    }
    std::string BrowseForFolder() override { return picked; }
    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override {
        boxes.push_back({std::string(title), std::string(text), icon, false});
    }
    bool AskYesNo(std::string_view title, std::string_view text) override {
        boxes.push_back({std::string(title), std::string(text), MessageIcon::Exclamation, true});
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    void AddActivity(std::string_view line) override { activity.emplace_back(line); }
    void OfferControlLog(bool offer) override { controlLogOffers.push_back(offer); }
    void RunModeChanged(bool testMode) override { runModes.push_back(testMode); }

    int dialUpSupport = 16;
    int lan = 2;
    std::optional<RasChoice> rasEntries;
    std::string listedFor;
    std::string picked;
    std::deque<bool> answers; // Yes (true) or No to the questions, in turn; No when none is left
    std::vector<Box> boxes;
    std::vector<std::string> activity;
    std::vector<bool> controlLogOffers;
    std::vector<bool> runModes;
};

} // namespace zumaset::test
