// Not a test: saves a picture of each tab of the configuration dialog, for
// the documentation (scripts/screenshots runs it under Xvfb). The dialog
// shows the settings of the registry file given; nothing is saved.
// Usage: config_tab_pictures REGISTRY OUTDIR
// Writes OUTDIR/konfigurace-<n>-<tab>.png, <tab> the caption in lower-case ASCII.
#include "config/config_dialog.h"
#include "core/registry_file.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTabWidget>
#include <QTimer>
#include <iostream>

namespace {

// "Účet" -> "ucet", "E-mail" -> "e-mail".
QString AsciiName(const QString& caption) {
    QString name;
    for (const QChar c : caption.normalized(QString::NormalizationForm_D).toLower()) {
        if (c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-')) name += c;
    }
    return name;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::cerr << "usage: config_tab_pictures REGISTRY OUTDIR\n";
        return 2;
    }
    zumaset::RegistryFile registry(args[1].toStdString());
    zumaset::Settings settings;
    zumaset::LoadSettings(settings, registry);
    const QDir out(args[2]);

    int saved = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* tabs = dialog != nullptr ? dialog->findChild<QTabWidget*>(QStringLiteral("CfgTab")) : nullptr;
        if (tabs == nullptr || !dialog->isVisible()) return;
        poll.stop();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            const QString file =
                out.filePath(QStringLiteral("konfigurace-%1-%2.png").arg(i).arg(AsciiName(tabs->tabText(i))));
            if (dialog->grab().save(file)) {
                ++saved;
                std::cout << file.toStdString() << '\n';
            } else {
                std::cerr << "cannot write " << file.toStdString() << '\n';
            }
        }
        dialog->reject();
    });
    poll.start(50);
    zumaset::ShowConfigDialog(nullptr, zumaset::ConfigDialogSetup{.registry = registry,
                                                                  .settings = settings,
                                                                  .exeName = "zumaset",
                                                                  .addActivity = [](std::string_view) {},
                                                                  .offerControlLog = [](bool) {}});
    return saved > 0 ? 0 : 1;
}
