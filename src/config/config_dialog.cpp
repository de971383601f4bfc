#include "config/config_dialog.h"

#include "config/config_window.h"
#include "config/dialog_host.h"
#include "core/clock.h"
#include "core/paths.h"
#include "shell/config_form.h"

namespace zumaset {

bool ShowConfigDialog(QWidget* owner, ConfigDialogSetup setup) {
    DialogHost host({setup.addActivity, setup.offerControlLog, setup.runModeChanged});
    const SystemClock clock;
    const auto environment = ProcessEnvironment();
    const auto home = environment.find("HOME");
    ConfigForm form(setup.settings, setup.registry, clock, host, setup.exeName,
                    home == environment.end() ? std::string() : home->second);
    ConfigWindow window(form, setup.exeName, owner, [&] {
        if (setup.settingsApplied) setup.settingsApplied(form.record());
    });
    host.SetOwner(&window);
    window.LoadForm(setup.initialTab);
    window.exec();
    return form.outcome() == FormOutcome::Confirmed;
}

} // namespace zumaset
