#include "desktop/desktop_face.h"

#include "config/config_dialog.h"
#include "core/settings_store.h"
#include "desktop/busy_wait.h"
#include "desktop/client_model_snapshot.h"
#include "desktop/qt_ca_offer_face.h"
#include "exchange/ca_fetch.h"
#include "shell/ca_offer.h"

#include <iostream>

namespace zumaset {

DesktopFace::DesktopFace() : window_(*this), boxes_(&window_) {}

void DesktopFace::ShowModel(ClientModel& model) {
    bridge_ = std::make_unique<ModelBridge>([&model] { return SnapshotOf(model); }, window_);
}

bool DesktopFace::ShowConfiguration(const Settings& settings) {
    if (!parts_) return false;
    ConfigDialogSetup setup{.registry = parts_->registry,
                            .settings = settings,
                            .exeName = parts_->exeName,
                            .addActivity = parts_->addActivityLine,
                            .offerControlLog = [this](bool offered) { window_.SetControlLogOffered(offered); }};
    return ShowConfigDialog(&window_, std::move(setup));
}

bool DesktopFace::ShowFirstRunDialog() {
    if (!parts_) return false;
    Settings stored;
    LoadSettings(stored, parts_->registry);
    ShowConfiguration(stored);
    return true;
}

void DesktopFace::OfferCaCertificates(const Settings& settings) {
    if (!parts_) return;
    QtCaOfferFace offer(&window_);
    const CaOfferSetup setup{parts_->exeName, settings.ServerTxt, parts_->caFolder};
    const CaFetchOptions options = CaFetchOptionsFrom(settings);
    // A server that does not answer holds the fetch until its time-out: the
    // window keeps painting meanwhile, under a wait cursor.
    const CaFetcher fetch = [&](std::string_view page) {
        std::variant<std::string, CaFetchError> fetched;
        RunWhileBusy([&] { fetched = FetchCaCertificate(setup.serverTxt, page, options); });
        return fetched;
    };
    InstallCACertificates(setup, fetch, offer);
}

void DesktopFace::ShowBox(std::string_view title, std::string_view text, MessageIcon icon) {
    boxes_.Show(title, text, icon);
}

void DesktopFace::ReportNotConfigured(std::string_view text) {
    std::cerr << text << std::flush;
    boxes_.Show("zumaset", text, MessageIcon::Information);
}

void DesktopFace::Send() {
    if (commands_ != nullptr) commands_->Send();
}

void DesktopFace::Receive() {
    if (commands_ != nullptr) commands_->Receive();
}

void DesktopFace::Configure() {
    if (commands_ != nullptr) commands_->Configure();
}

void DesktopFace::ViewLog(LogKind kind) {
    if (commands_ != nullptr) commands_->ViewLog(kind);
}

void DesktopFace::Exit() {
    if (commands_ != nullptr) commands_->Exit();
}

} // namespace zumaset
