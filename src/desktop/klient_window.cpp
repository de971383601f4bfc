#include "desktop/klient_window.h"

#include "desktop/transfer_caption.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QIcon>
#include <QMenuBar>
#include <QTimer>
#include <memory>

namespace zumaset {

namespace {

const QString kDefaultBalloon = QStringLiteral("Aplikace přijala nový soubor");

void Name(QObject& object, const char* name) {
    object.setObjectName(QString::fromLatin1(name));
}

void SetUpAction(QAction& action, const char* name, const QString& caption) {
    Name(action, name);
    action.setText(caption);
}

void SetUpSeparator(QAction& action, const char* name) {
    Name(action, name);
    action.setSeparator(true);
}

// The program's icon in every size it is rendered in (one folder "NxN" each),
// so each place picks a drawing of its own size instead of scaling one.
QIcon ProgramIcon() {
    QIcon icon;
    const QDir sizes(QStringLiteral(":/zumaset"));
    for (const QString& size : sizes.entryList(QDir::Dirs)) icon.addFile(sizes.filePath(size + "/zumaset.png"));
    return icon;
}

} // namespace

KlientWindow::KlientWindow(KlientCommands& commands, TrayIcon::Availability trayAvailable, QWidget* parent)
    : QMainWindow(parent), commands_(commands), tray_(ProgramIcon(), &mnuPop_, std::move(trayAvailable)) {
    setObjectName(QStringLiteral("Klient"));
    setWindowTitle(QStringLiteral("Zumaset "));
    setWindowIcon(ProgramIcon());
    BuildControls();
    BuildMenus();
    setFixedSize(kWidth, kHeight);
    connect(&tray_, &TrayIcon::restoreRequested, this, &KlientWindow::RestoreFromTray);
}

void KlientWindow::BuildControls() {
    Name(labelProcess_, "LabelProcess");
    labelProcess_.setText(QStringLiteral("Výpis aktivity:"));
    Name(pInf_, "PInf");
    pInf_.setToolTip(QStringLiteral("Obsahuje výpis o činnosti programu."));
    pInf_.setSelectionMode(QAbstractItemView::NoSelection);
    pInf_.setUniformItemSizes(true);
    // Nothing to act on in the list: no focus frame around an entry.
    pInf_.setFocusPolicy(Qt::NoFocus);
    Name(labelFileCount_, "LabelFileCount");
    labelFileCount_.setText(QStringLiteral("Počet dnes přenesených souborů:"));
    Name(labelToServer_, "LabelToServer");
    labelToServer_.setText(QStringLiteral("Odesláno:"));
    Name(sendCount_, "SendCount");
    sendCount_.setText(QStringLiteral("0"));
    sendCount_.setToolTip(QStringLiteral("Počet odeslaných souborů."));
    Name(labelFromServer_, "LabelFromServer");
    labelFromServer_.setText(QStringLiteral("Přijato:"));
    Name(getCount_, "GetCount");
    getCount_.setText(QStringLiteral("0"));
    getCount_.setToolTip(QStringLiteral("Počet přijatých souborů."));

    // The file in transfer: its row keeps its place while hidden, so the
    // window does not jump at every file.
    Name(transferFile_, "TransferFile");
    transferFile_.setTextFormat(Qt::PlainText);
    // A long name is shortened in the middle rather than widening the fixed window.
    transferFile_.setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Name(transferProgress_, "TransferProgress");
    transferProgress_.setRange(0, 100);
    transferProgress_.setFormat(QStringLiteral("%p %"));
    transferProgress_.setMaximumHeight(transferFile_.sizeHint().height());
    for (QWidget* widget : {static_cast<QWidget*>(&transferFile_), static_cast<QWidget*>(&transferProgress_)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        widget->hide();
    }

    grid_.setContentsMargins(6, 2, 6, 4);
    grid_.setVerticalSpacing(1);
    grid_.addWidget(&labelProcess_, 0, 0, 1, 4);
    grid_.addWidget(&pInf_, 1, 0, 1, 4);
    grid_.addWidget(&labelFileCount_, 2, 0, 1, 4);
    // The sent counter in the left half of the row, the received one in the right.
    grid_.addWidget(&labelToServer_, 3, 0);
    grid_.addWidget(&sendCount_, 3, 1);
    grid_.addWidget(&labelFromServer_, 3, 2);
    grid_.addWidget(&getCount_, 3, 3);
    grid_.addWidget(&transferFile_, 4, 0, 1, 2);
    grid_.addWidget(&transferProgress_, 4, 2, 1, 2);
    grid_.setRowStretch(1, 1);
    grid_.setColumnStretch(1, 1);
    grid_.setColumnStretch(3, 1);
    setCentralWidget(&central_);
}

void KlientWindow::BuildMenus() {
    Name(mnuFiles_, "mnuFiles");
    mnuFiles_.setTitle(QStringLiteral("Soubor"));
    SetUpAction(mnuSend_, "mnuSend", QStringLiteral("&Odeslat"));
    SetUpAction(mnuGet_, "mnuGet", QStringLiteral("&Přijmout"));
    mnuFiles_.addAction(&mnuSend_);
    mnuFiles_.addAction(&mnuGet_);

    Name(mnuLog_, "mnuLog");
    mnuLog_.setTitle(QStringLiteral("Protokol"));
    SetUpAction(mnuLogFile_, "mnuLogFile", QStringLiteral("Relace"));
    SetUpAction(mnuErrors_, "mnuErrors", QStringLiteral("Chyby"));
    SetUpAction(mnuControl_, "mnuControl", QStringLiteral("Spojení"));
    mnuLog_.addActions({&mnuLogFile_, &mnuErrors_, &mnuControl_});

    SetUpAction(mnuConfig_, "mnuConfig", QStringLiteral("Konfigurace"));
    SetUpAction(mnuExit_, "mnuExit", QStringLiteral("Ukončit"));

    QMenuBar& bar = *menuBar();
    bar.addMenu(&mnuFiles_);
    bar.addMenu(&mnuLog_);
    bar.addAction(&mnuConfig_);
    bar.addAction(&mnuExit_);

    // The tray's pop-up menu: a top-level menu of its own, never in the bar.
    Name(mnuPop_, "mnuPop");
    mnuPop_.setTitle(QStringLiteral("Menu"));
    SetUpAction(mnuPopSend_, "mnuPopSend", QStringLiteral("&Odeslat"));
    SetUpAction(mnuPopGet_, "mnuPopGet", QStringLiteral("&Přijmout"));
    SetUpSeparator(mezera2_, "mezera2");
    SetUpAction(mnuPopConfig_, "mnuPopConfig", QStringLiteral("Konfigurace"));
    SetUpSeparator(mezera3_, "mezera3");
    SetUpAction(mnuPopLogFile_, "mnuPopLogFile", QStringLiteral("Relace"));
    SetUpAction(mnuPopErrors_, "mnuPopErrors", QStringLiteral("Chyby"));
    SetUpAction(mnuPopControl_, "mnuPopControl", QStringLiteral("Spojení"));
    SetUpSeparator(mezera_, "mezera");
    SetUpAction(mnuPopExit_, "mnuPopExit", QStringLiteral("&Ukončit"));
    mnuPop_.addActions({&mnuPopSend_, &mnuPopGet_, &mezera2_, &mnuPopConfig_, &mezera3_, &mnuPopLogFile_,
                        &mnuPopErrors_, &mnuPopControl_, &mezera_, &mnuPopExit_});

    // Both menus run the same commands.
    const auto bind = [this](std::initializer_list<QAction*> actions, auto run) {
        for (QAction* action : actions) connect(action, &QAction::triggered, this, run);
    };
    bind({&mnuSend_, &mnuPopSend_}, [this] { commands_.Send(); });
    bind({&mnuGet_, &mnuPopGet_}, [this] { commands_.Receive(); });
    bind({&mnuConfig_, &mnuPopConfig_}, [this] { commands_.Configure(); });
    bind({&mnuLogFile_, &mnuPopLogFile_}, [this] { commands_.ViewLog(LogKind::Session); });
    bind({&mnuErrors_, &mnuPopErrors_}, [this] { commands_.ViewLog(LogKind::Error); });
    bind({&mnuControl_, &mnuPopControl_}, [this] { commands_.ViewLog(LogKind::Connection); });
    bind({&mnuExit_, &mnuPopExit_}, [this] { RequestExit(); });
}

void KlientWindow::ShowModel(const ClientModelSnapshot& snapshot) {
    ShowActivity(snapshot.activity);
    sendCount_.setText(QString::number(snapshot.sendCount));
    getCount_.setText(QString::number(snapshot.getCount));
    ShowTransfer(snapshot.transfer);
}

void KlientWindow::ShowActivity(const std::vector<std::string>& activity) {
    // The model appends at the end and drops the oldest entries at the front:
    // find how many entries of the list are gone, keep the rest and append the
    // new ones. Anything else rebuilds the list.
    const int shown = pInf_.count();
    const auto matchesFrom = [&](int dropped) {
        const int kept = shown - dropped;
        if (kept > static_cast<int>(activity.size())) return false;
        for (int i = 0; i < kept; ++i) {
            if (pInf_.item(dropped + i)->text() != QString::fromStdString(activity[static_cast<std::size_t>(i)])) {
                return false;
            }
        }
        return true;
    };
    int dropped = 0;
    while (dropped < shown && !matchesFrom(dropped)) ++dropped;
    for (int i = 0; i < dropped; ++i) std::unique_ptr<QListWidgetItem>(pInf_.takeItem(0)); // handed over to us
    const std::size_t kept = static_cast<std::size_t>(shown - dropped);
    if (kept == activity.size() && dropped == 0) return;
    for (std::size_t i = kept; i < activity.size(); ++i) pInf_.addItem(QString::fromStdString(activity[i]));
    pInf_.scrollToBottom();
}

void KlientWindow::ShowTransfer(const std::optional<TransferState>& transfer) {
    tray_.ShowTransfer(transfer);
    if (!transfer) {
        transferFile_.hide();
        transferProgress_.hide();
        return;
    }
    const QString caption = TransferCaption(*transfer);
    const int width = transferFile_.contentsRect().width();
    transferFile_.setText(width > 0 ? transferFile_.fontMetrics().elidedText(caption, Qt::ElideMiddle, width)
                                    : caption);
    transferFile_.setToolTip(caption);
    if (const auto percent = TransferPercent(*transfer)) {
        transferProgress_.setRange(0, 100);
        transferProgress_.setValue(*percent);
    } else {
        transferProgress_.setRange(0, 0); // size unknown: a busy bar
    }
    transferFile_.show();
    transferProgress_.show();
}

void KlientWindow::ShowBalloon(const QString& text) {
    tray_.ShowBalloon(text.isEmpty() ? kDefaultBalloon : text);
}

void KlientWindow::SetControlLogOffered(bool offered) {
    mnuPopControl_.setVisible(offered);
    mnuControl_.setVisible(offered);
}

void KlientWindow::HideToTray() {
    if (tray_.available()) {
        tray_.Remove();
        tray_.Add();
        hide();
    } else if (!isMinimized() || !isVisible()) {
        showMinimized();
    }
}

void KlientWindow::RestoreFromTray() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    tray_.Remove();
}

void KlientWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
    // Hidden after the state change has been handled; without a notification
    // area the window stays minimised where the user can reach it.
    if (tray_.available())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) HideToTray();
        });
}

void KlientWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    RequestExit();
}

void KlientWindow::RequestExit() {
    // Once: the shutdown may close the window itself.
    if (exitRequested_) return;
    exitRequested_ = true;
    commands_.Exit();
}

} // namespace zumaset
