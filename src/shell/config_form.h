#pragma once

#include "core/clock.h"
#include "core/registry.h"
#include "core/settings.h"
#include "shell/config_form_host.h"
#include "shell/config_rules.h"
#include "shell/office_grid.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// What one control of the dialog shows. `text` is the caption of labels,
// check boxes, options, buttons and frames and the content of text boxes
// and of the drop-down list (its current text).
struct ControlState {
    std::string text;
    bool checked = false; // check boxes and options
    bool enabled = true;
    bool visible = true;
    bool bold = false;
    std::vector<std::string> items; // the drop-down list's entries
};

// How the dialog ended.
enum class FormOutcome { Open, Confirmed, Cancelled };

// The configuration dialog without widgets: the state of every control, the
// click handlers, the rules run when a field changes or is left, validation
// and saving. A view mirrors `control()` after every call and forwards the
// user's clicks, typing and focus changes to it.
//
// The form edits `record`, the client's settings record: a RunMode choice
// sets it at once; Apply and OK fill it from the controls, save it and read
// it back; Cancel (and a closed window) puts RunMode back as the dialog found
// it or as it was last applied.
class ConfigForm {
public:
    ConfigForm(Settings& record, Registry& registry, const Clock& clock, ConfigFormHost& host, std::string exeName,
               std::string_view home);

    // Copies the record into the controls, running the handlers of the
    // check boxes and options it sets as a click would.
    void Load();

    // A click: toggles a check box, chooses an option, presses a button
    // (cmdBrowse_i, cmdOK_i, cmdApply_i, cmdCancel_i).
    void Click(std::string_view name);
    // Puts a check box into a state, running its handler when it changes.
    void SetChecked(std::string_view name, bool checked);
    // The user changed a field's text (or the drop-down list's selection).
    void SetText(std::string_view name, std::string_view text);
    // A field lost the focus: runs its leaving rule.
    // Returns false when the field keeps the focus (its text is refused).
    bool LeaveField(std::string_view name);

    // The checks of OK and Apply; on failure the user has been told, the tab
    // switched and the focus asked for the offending control.
    bool ValidateSettings();
    // Copies the controls into the record, saves it and reads it back.
    void ApplySettings();

    bool Ok();
    void Apply();
    void Cancel();

    const ControlState& control(std::string_view name) const;
    const std::map<std::string, ControlState, std::less<>>& controls() const { return controls_; }
    int currentTab() const { return currentTab_; }
    void SetCurrentTab(int tab) { currentTab_ = tab; }
    // The control the form wants focused (once), or "".
    std::string TakeFocusRequest();
    FormOutcome outcome() const { return outcome_; }
    int cuMode() const { return cuMode_; }
    OfficeGrid& officeGrid() { return grid_; }
    const Settings& record() const { return record_; }
    // How many times the settings were saved and read back.
    int applyCount() const { return applyCount_; }

private:
    ControlState& State(std::string_view name);
    void SetTextOf(std::string_view name, std::string text);
    void Enable(std::initializer_list<std::string_view> names, bool enabled);
    void Show(std::initializer_list<std::string_view> names, bool visible);
    void Choose(std::string_view name);
    void Focus(int tab, std::string_view name);

    void OnRasMode(int index);
    void OnUseProxy(bool checked);
    void OnRunMode(int index);
    void OnCuMode(int index);
    void OnOnLineMode(bool checked);
    void OnDeleteLogFiles(bool checked);
    void OnUseMail(bool checked);
    void OnBrowse(int index);
    void RunOptionHandler(std::string_view group, int index);
    void RunCheckHandler(std::string_view name, bool checked);
    void OnTextChanged(std::string_view name);
    std::string ActivityLine(std::string_view what) const;

    Settings& record_;
    Registry& registry_;
    const Clock& clock_;
    ConfigFormHost& host_;
    std::string exeName_;
    ConfigProposals proposals_;
    std::map<std::string, ControlState, std::less<>> controls_;
    OfficeGrid grid_;
    int cuMode_ = 0;
    int currentTab_ = 0;
    std::string focusRequest_;
    FormOutcome outcome_ = FormOutcome::Open;
    bool runModeKept_ = false; // RunMode as found or last applied
    int applyCount_ = 0;
};

} // namespace zumaset
