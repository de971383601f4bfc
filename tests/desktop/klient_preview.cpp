// Shows the main window with sample content, for looking at it on a real
// display (under Xvfb for a screenshot). Commands chosen in the menus are
// printed; Exit ends the program. Options:
//   --tray        start hidden in the tray, as the client does
//   --transfer    show a file in transfer
//   --balloon     show the new-file balloon after start
#include "core/client_model.h"
#include "core/clock.h"
#include "desktop/klient_window.h"
#include "desktop/model_bridge.h"

#include <QApplication>
#include <QTimer>
#include <iostream>

namespace {

class PrintingCommands final : public zumaset::KlientCommands {
public:
    void Send() override { std::cout << "Send" << std::endl; }
    void Receive() override { std::cout << "Receive" << std::endl; }
    void Configure() override { std::cout << "Configure" << std::endl; }
    void ViewLog(zumaset::LogKind kind) override { std::cout << "ViewLog " << zumaset::LogFileName(kind) << std::endl; }
    void Exit() override {
        std::cout << "Exit" << std::endl;
        QCoreApplication::quit();
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();

    zumaset::SystemClock clock;
    zumaset::ClientModel model(clock);
    PrintingCommands commands;
    zumaset::KlientWindow window(commands);
    zumaset::ModelBridge bridge([&] { return zumaset::SnapshotOf(model); }, window);
    bridge.Observe(model);

    model.AddActivity("Odesílání souborů");
    model.AddActivity("Soubor CZ590000_20261207_001.txt odeslán");
    model.IncrementSendCount();
    model.AddActivity("Příjem souborů");
    model.AddActivity("Přijat soubor CZ590000_20261207_001.xml");
    model.IncrementGetCount();
    window.SetControlLogOffered(true);

    if (args.contains("--transfer")) {
        zumaset::ClientModelSnapshot snapshot = zumaset::SnapshotOf(model);
        snapshot.transfer =
            zumaset::TransferState{zumaset::TransferState::Direction::Sending,
                                   "CZ590000_20261207_002_s_velmi_dlouhym_nazvem_souboru.txt", 420, 1000};
        QTimer::singleShot(100, &window, [&window, snapshot] { window.ShowModel(snapshot); });
    }
    if (args.contains("--tray")) {
        window.HideToTray();
    } else {
        window.show();
    }
    if (args.contains("--balloon")) {
        QTimer::singleShot(500, &window, [&window] { window.ShowBalloon({}); });
    }
    std::cout << "tray available: " << window.tray().available() << std::endl;
    return app.exec();
}
