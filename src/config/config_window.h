#pragma once

#include "shell/config_controls.h"
#include "shell/config_form.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <string>

class QTabWidget;
class QWidget;

namespace zumaset {

class OfficeEditor;

// The configuration dialog's window: the tabs, frames and controls of
// ConfigControls() as widgets with the controls' object names, a thin view
// over a ConfigForm. After every call into the form it shows the form's
// control states again, switches to the tab the form asks for and moves the
// focus where it asks.
//
// Every tab has its own buttons "cmdOK_<tab>", "cmdCancel_<tab>" and
// "cmdApply_<tab>"; all behave alike. A field's leaving rule runs before a
// button acts: a button pressed while a field still has the focus first
// leaves the field, and a field that refuses to be left (a forbidden
// delimiter) keeps the focus and the button does nothing. Cancel does not
// check the field it leaves.
class ConfigWindow final : public QDialog {
    Q_OBJECT
public:
    // `onApplied` runs after every Apply or OK that saved the settings.
    ConfigWindow(ConfigForm& form, std::string exeName, QWidget* parent = nullptr,
                 std::function<void()> onApplied = {});
    ~ConfigWindow() override;

    // Loads the form and shows its state; `tab` is the tab shown first.
    void LoadForm(int tab = 0);

    QTabWidget* tabs() const { return tabs_; }

    // Closing the window (title bar, Escape) counts as Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    QWidget* MakeControl(const ControlInfo& info, QWidget* parent);
    void Connect(const ControlInfo& info, QWidget* widget);
    void AddButtons(int tab, QWidget* page);
    void Press(const std::string& name);
    // Runs the leaving rule of the field that has the focus; false when it refuses.
    bool LeaveEditedField();
    void Sync();

    ConfigForm& form_;
    std::string exeName_;
    std::function<void()> onApplied_;
    QTabWidget* tabs_ = nullptr;
    OfficeEditor* officeEditor_ = nullptr;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::string edited_; // the text field with the focus whose leaving rule has not run
    bool syncing_ = false;
};

} // namespace zumaset
