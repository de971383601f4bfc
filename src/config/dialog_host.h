#pragma once

#include "shell/config_form_host.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace zumaset {

// The configuration form's host on the desktop: the system's connection
// facts and dial-up entries, the folder picker and modal boxes over the
// dialog, and the main window's callbacks (any of them may be empty).
class DialogHost final : public ConfigFormHost {
public:
    struct Callbacks {
        std::function<void(std::string_view)> addActivity;
        std::function<void(bool)> offerControlLog;
        std::function<void(bool)> runModeChanged;
    };

    explicit DialogHost(Callbacks callbacks) : callbacks_(std::move(callbacks)) {}
    // The window the boxes and the picker belong to.
    void SetOwner(QWidget* owner) { owner_ = owner; }

    int ConnectionStateFlag(int flag) override;
    std::optional<RasChoice> ListRasEntries(std::string_view rasName) override;
    std::string BrowseForFolder() override;
    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;
    void AddActivity(std::string_view line) override;
    void OfferControlLog(bool offer) override;
    void RunModeChanged(bool testMode) override;

private:
    Callbacks callbacks_;
    QPointer<QWidget> owner_;
};

} // namespace zumaset
