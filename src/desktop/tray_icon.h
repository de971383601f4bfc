#pragma once

#include "core/transfer_progress.h"

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <optional>

class QIcon;
class QMenu;

namespace zumaset {

// The client's icon in the notification area: its tip, the new-file balloon,
// the pop-up menu on the right button and the restore request on a
// double-click. Where the desktop has no notification area it is simply never
// shown.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    // Whether the desktop offers a notification area now; tests replace it.
    using Availability = std::function<bool()>;

    static constexpr int kBalloonTimeoutMs = 30003;

    // `menu` (not owned) opens on the right button. An empty `available` asks
    // the desktop.
    TrayIcon(const QIcon& icon, QMenu* menu, Availability available = {}, QObject* parent = nullptr);

    bool available() const;
    // Adds the icon (when there is a notification area) and removes it.
    void Add();
    void Remove();
    bool shown() const { return icon_.isVisible(); }

    // The tip: "Zumaset " + the version at first, or a service-state text.
    void SetTrayTip(const QString& text);
    const QString& trayTip() const { return tip_; }
    // Adds the file in transfer and its percentage to the tip, or takes them away.
    void ShowTransfer(const std::optional<TransferState>& transfer);
    // The tip as shown, with the transfer when there is one.
    QString shownTip() const { return icon_.toolTip(); }

    // The new-file balloon, while the icon is shown.
    void ShowBalloon(const QString& text);

signals:
    // The icon was double-clicked: the window is to be restored.
    void restoreRequested();

private:
    void UpdateTip();

    QSystemTrayIcon icon_;
    Availability available_;
    QString tip_;
    std::optional<TransferState> transfer_;
};

// "Zumaset " followed by the program's version.
QString DefaultTrayTip();

} // namespace zumaset
