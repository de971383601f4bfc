#pragma once

#include "desktop/client_model_snapshot.h"
#include "desktop/klient_commands.h"
#include "desktop/tray_icon.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QString>

namespace zumaset {

// The main window `Klient`: the activity list, the two counters of the day,
// the menus and the tray icon. A view only: it shows what the client model
// holds (ShowModel) and hands every menu command to KlientCommands. All of it
// runs on the UI thread.
//
// The window keeps its size. Minimised it goes to the tray; where the desktop
// has no notification area it stays minimised on the task bar instead, so the
// user can always reach it.
class KlientWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 418;
    static constexpr int kHeight = 176;

    explicit KlientWindow(KlientCommands& commands, TrayIcon::Availability trayAvailable = {},
                          QWidget* parent = nullptr);

    // Shows the activity list (newest entry in view), the counters and the
    // file in transfer with its progress (hidden when there is none).
    void ShowModel(const ClientModelSnapshot& snapshot);
    // The tray's new-file balloon; an empty text shows the usual one.
    void ShowBalloon(const QString& text);

    // Offers or withdraws the connection log in both menus (hidden when withdrawn).
    void SetControlLogOffered(bool offered);
    // Replaces the tray tip (the service states).
    void SetTrayTip(const QString& text) { tray_.SetTrayTip(text); }

    // Start-up and minimising: adds the tray icon and hides the window, or,
    // without a notification area, shows the window minimised.
    void HideToTray();
    // The tray's double-click and a second start of the program: shows the
    // window in its normal state, in front, and removes the tray icon.
    void RestoreFromTray();

    TrayIcon& tray() { return tray_; }
    // The tray's pop-up menu `mnuPop`, never shown in the menu bar.
    QMenu& popupMenu() { return mnuPop_; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ShowActivity(const std::vector<std::string>& activity);
    void ShowTransfer(const std::optional<TransferState>& transfer);
    void RequestExit();

    KlientCommands& commands_;

    // The widgets are members: destroyed before the window, each leaves its
    // parent and layout on the way, so nothing is deleted twice.
    QWidget central_;
    QGridLayout grid_{&central_};
    QLabel labelProcess_;
    QListWidget pInf_;
    QLabel labelFileCount_;
    QLabel labelToServer_;
    QLabel sendCount_;
    QLabel labelFromServer_;
    QLabel getCount_;
    QLabel transferFile_;
    QProgressBar transferProgress_;

    QMenu mnuFiles_{this};
    QAction mnuSend_{this};
    QAction mnuGet_{this};
    QMenu mnuLog_{this};
    QAction mnuLogFile_{this};
    QAction mnuErrors_{this};
    QAction mnuControl_{this};
    QAction mnuConfig_{this};
    QAction mnuExit_{this};
    QMenu mnuPop_{this};
    QAction mnuPopSend_{this};
    QAction mnuPopGet_{this};
    QAction mezera2_{this};
    QAction mnuPopConfig_{this};
    QAction mezera3_{this};
    QAction mnuPopLogFile_{this};
    QAction mnuPopErrors_{this};
    QAction mnuPopControl_{this};
    QAction mezera_{this};
    QAction mnuPopExit_{this};

    TrayIcon tray_;
    bool exitRequested_ = false;
};

} // namespace zumaset
