#include "desktop/desktop_face.h"

#include "desktop/client_model_snapshot.h"

#include <iostream>

namespace zumaset {

DesktopFace::DesktopFace() : window_(*this), boxes_(&window_) {}

void DesktopFace::ShowModel(ClientModel& model) {
    bridge_ = std::make_unique<ModelBridge>([&model] { return SnapshotOf(model); }, window_);
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
