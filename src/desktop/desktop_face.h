#pragma once

#include "core/client_model.h"
#include "core/registry.h"
#include "core/settings.h"
#include "desktop/klient_commands.h"
#include "desktop/klient_window.h"
#include "desktop/model_bridge.h"
#include "desktop/qt_message_boxes.h"
#include "shell/client_start_up.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zumaset {

// The client on a desktop: the window Klient with its tray icon, Qt message
// boxes, and the window kept up to date with the client model. The menus'
// commands go to the KlientCommands given with SetCommands. UI thread only.
class DesktopFace final : public ClientFace, private KlientCommands {
public:
    DesktopFace();

    // Where the menu commands go; until it is set they do nothing.
    void SetCommands(KlientCommands& commands) { commands_ = &commands; }
    // Shows the model in the window from now on; the model's changes are to
    // be handed to bridge()->OnChange.
    void ShowModel(ClientModel& model);

    // What the configuration dialog and the certificate offer work with.
    struct ClientParts {
        Registry& registry;
        std::filesystem::path caFolder; // where trusted certificates are stored
        std::string exeName;            // the boxes' titles
        std::function<void(std::string_view)> addActivityLine;
    };
    void SetClientParts(ClientParts parts) { parts_.emplace(std::move(parts)); }
    // Shows the configuration dialog for `settings` over the window, modally;
    // true when it was confirmed with OK. Needs SetClientParts.
    bool ShowConfiguration(const Settings& settings);

    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override;
    // The configuration dialog over the window with the settings as stored
    // (defaults on a first run); without SetClientParts there is none.
    bool ShowFirstRunDialog() override;
    // The certificate offer with Qt boxes and the import dialog.
    void OfferCaCertificates(const Settings& settings) override;
    void SetControlLogOffered(bool offered) override { window_.SetControlLogOffered(offered); }
    void ShowInTray() override { window_.HideToTray(); }
    void RemoveTrayIcon() override { window_.tray().Remove(); }
    void ReportNotConfigured(std::string_view text) override;

    // A second start of the client asked this one to show itself.
    void Raise() { window_.RestoreFromTray(); }

    MessageBoxes& boxes() { return boxes_; }
    KlientWindow& window() { return window_; }
    ModelBridge* bridge() { return bridge_.get(); }

private:
    void Send() override;
    void Receive() override;
    void Configure() override;
    void ViewLog(LogKind kind) override;
    void Exit() override;

    KlientCommands* commands_ = nullptr;
    std::optional<ClientParts> parts_;
    KlientWindow window_;
    QtMessageBoxes boxes_;
    std::unique_ptr<ModelBridge> bridge_;
};

} // namespace zumaset
