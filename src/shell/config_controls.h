#pragma once

#include <span>
#include <string_view>

namespace zumaset {

// What kind of widget stands for a control of the configuration dialog.
enum class ControlKind {
    Frame,    // a titled group of controls
    Label,    // a caption; its text may change (LabelDay, LabelPathName, ...)
    TextBox,  // one line of text
    Password, // one line of text shown as "*"
    CheckBox,
    Option,   // one element of an option group ("RASMode_1": group RASMode, index 1)
    ComboBox, // a drop-down list (RASName)
    Button,
    Grid, // the customs office list with its own buttons
};

// How a text box or check box treats the keyboard.
enum class KeyRule {
    None,
    EnterMovesOn, // Enter moves the focus to the next control
    DigitsOnly,   // only digits stay in the field; Enter moves on
};

// One control: its object name, where it sits and how it looks at first.
// Controls of a tab follow each other in the table in their display order;
// `frame` names the frame they sit in (empty: directly on the tab), and
// `sameRow` puts a control on the row of the one before it.
struct ControlInfo {
    std::string_view name;
    ControlKind kind;
    int tab;
    std::string_view frame;
    std::string_view caption = {}; // labels, check boxes, options, buttons and frames
    std::string_view tooltip = {};
    int maxLength = 0; // 0: no limit
    KeyRule keys = KeyRule::None;
    bool selectAllOnEntry = false;
    bool startsEnabled = true;
    bool sameRow = false;
};

inline constexpr int kConfigTabCount = 6;

// The captions of the six tabs, by index.
std::string_view ConfigTabCaption(int tab);

// Every control of the dialog but the per-tab OK, Cancel and Apply buttons
// and the customs office grid's own buttons.
std::span<const ControlInfo> ConfigControls();

// The control with this object name, or nullptr.
const ControlInfo* FindConfigControl(std::string_view name);

// The object names of the buttons every tab carries: "cmdOK_2" and so on.
inline constexpr std::string_view kOkButton = "cmdOK";
inline constexpr std::string_view kCancelButton = "cmdCancel";
inline constexpr std::string_view kApplyButton = "cmdApply";

} // namespace zumaset
