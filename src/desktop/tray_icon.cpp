#include "desktop/tray_icon.h"

#include "desktop/transfer_caption.h"
#include "zumaset/version.h"

#include <QIcon>
#include <QMenu>

namespace zumaset {

QString DefaultTrayTip() {
    return QStringLiteral("Zumaset ") + QStringLiteral(ZUMASET_VERSION);
}

TrayIcon::TrayIcon(const QIcon& icon, QMenu* menu, Availability available, QObject* parent)
    : QObject(parent), icon_(icon), available_(std::move(available)), tip_(DefaultTrayTip()) {
    icon_.setContextMenu(menu);
    UpdateTip();
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) emit restoreRequested();
    });
}

bool TrayIcon::available() const {
    return available_ ? available_() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::Add() {
    if (available()) icon_.show();
}

void TrayIcon::Remove() {
    icon_.hide();
}

void TrayIcon::SetTrayTip(const QString& text) {
    tip_ = text;
    UpdateTip();
}

void TrayIcon::ShowTransfer(const std::optional<TransferState>& transfer) {
    transfer_ = transfer;
    UpdateTip();
}

void TrayIcon::UpdateTip() {
    icon_.setToolTip(transfer_ ? TrayTipDuringTransfer(tip_, *transfer_) : tip_);
}

void TrayIcon::ShowBalloon(const QString& text) {
    if (!icon_.isVisible()) return;
    icon_.showMessage(QStringLiteral("Zumaset"), text, QSystemTrayIcon::Information, kBalloonTimeoutMs);
}

} // namespace zumaset
