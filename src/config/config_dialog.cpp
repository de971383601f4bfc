#include "config/config_dialog.h"

#include "core/settings_store.h"
#include "core/time_format.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <chrono>

namespace zumaset {

bool ShowConfigDialog(QWidget* owner, ConfigDialogSetup setup) {
    QDialog dialog(owner);
    dialog.setObjectName("Config");
    dialog.setWindowTitle(QString::fromUtf8("Zumaset - Konfigurace"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* tabs = new QTabWidget(&dialog);
    tabs->setObjectName("CfgTab");
    layout->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto now = std::chrono::system_clock::now();
    if (dialog.exec() != QDialog::Accepted) {
        if (setup.addActivity) setup.addActivity(FormatClockTime(now) + " * konfigurace stornována");
        return false;
    }
    SaveSettings(setup.settings, setup.registry);
    LoadSettings(setup.settings, setup.registry);
    if (setup.addActivity) setup.addActivity(FormatClockTime(now) + " * Konfigurace uložena a načtena");
    setup.registry.DeleteValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue);
    if (setup.settingsApplied) setup.settingsApplied(setup.settings);
    return true;
}

} // namespace zumaset
