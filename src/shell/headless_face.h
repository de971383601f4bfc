#pragma once

#include "core/message_box.h"
#include "shell/client_start_up.h"

#include <ostream>

namespace zumaset {

// The client without a desktop: boxes are written to the error stream and
// never wait, there is no dialog, no window and no tray icon.
class HeadlessFace final : public ClientFace {
public:
    explicit HeadlessFace(std::ostream& err) : err_(err), boxes_(err) {}

    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override {
        boxes_.Show(title, text, icon);
    }
    bool ShowFirstRunDialog() override { return false; }
    // Never reached: without a dialog a first run ends before the offer.
    void OfferCaCertificates(const Settings&) override {}
    void SetControlLogOffered(bool) override {}
    void ShowInTray() override {}
    void RemoveTrayIcon() override {}
    void ReportNotConfigured(std::string_view text) override { err_ << text << std::flush; }

    MessageBoxes& boxes() { return boxes_; }

private:
    std::ostream& err_;
    StreamMessageBoxes boxes_;
};

} // namespace zumaset
