#include "shell/config_form.h"

#include "core/text.h"
#include "shell/config_controls.h"

#include <charconv>
#include <stdexcept>
#include <utility>

namespace zumaset {

namespace {

// "RASMode_1" -> {"RASMode", 1}; {name, -1} for a name without an index.
std::pair<std::string_view, int> SplitIndex(std::string_view name) {
    const auto underscore = name.rfind('_');
    if (underscore == std::string_view::npos) return {name, -1};
    int index = -1;
    const auto digits = name.substr(underscore + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc{} || end != digits.data() + digits.size()) return {name, -1};
    return {name.substr(0, underscore), index};
}

std::string Indexed(std::string_view group, int index) {
    return std::string(group) + "_" + std::to_string(index);
}

// The record's text behind a folder field.
const std::string& StoredFolder(const Settings& record, std::string_view field) {
    const auto* info = FindSettingsField(field);
    if (info == nullptr) throw std::out_of_range("not a setting: " + std::string(field));
    return record.*std::get<std::string Settings::*>(info->member);
}

} // namespace

ConfigForm::ConfigForm(Settings& record, Registry& registry, const Clock& clock, ConfigFormHost& host,
                       std::string exeName, std::string_view home)
    : record_(record), registry_(registry), clock_(clock), host_(host), exeName_(std::move(exeName)), proposals_(home),
      runModeKept_(record.RunMode) {
    for (const auto& info : ConfigControls()) {
        ControlState state;
        const bool holdsText = info.kind == ControlKind::TextBox || info.kind == ControlKind::Password;
        state.text = holdsText ? proposals_.DesignText(info.name) : std::string(info.caption);
        state.enabled = info.startsEnabled;
        controls_.emplace(info.name, std::move(state));
    }
    State("FrameRas").visible = false;
}

const ControlState& ConfigForm::control(std::string_view name) const {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::out_of_range("no control " + std::string(name));
    return it->second;
}

ControlState& ConfigForm::State(std::string_view name) {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::out_of_range("no control " + std::string(name));
    return it->second;
}

void ConfigForm::SetTextOf(std::string_view name, std::string text) {
    State(name).text = std::move(text);
    OnTextChanged(name);
}

void ConfigForm::Enable(std::initializer_list<std::string_view> names, bool enabled) {
    for (const auto name : names) State(name).enabled = enabled;
}

void ConfigForm::Show(std::initializer_list<std::string_view> names, bool visible) {
    for (const auto name : names) State(name).visible = visible;
}

void ConfigForm::Focus(int tab, std::string_view name) {
    currentTab_ = tab;
    focusRequest_ = std::string(name);
}

std::string ConfigForm::TakeFocusRequest() {
    return std::exchange(focusRequest_, {});
}

void ConfigForm::Load() {
    for (const auto name : {"User", "Pass", "ServerTxt", "ServerXml", "ServerOne", "ServerTwo"}) {
        const auto* info = FindSettingsField(name);
        const auto& value = record_.*std::get<std::string Settings::*>(info->member);
        if (!value.empty()) State(name).text = value;
    }
    for (const auto name : kFolderFields)
        if (const auto& value = StoredFolder(record_, name); !value.empty()) State(name).text = value;
    State("SubDirIgnore").checked = record_.SubDirIgnore;
    State("NotConnect").checked = record_.NoGetConnect;

    if (host_.ConnectionStateFlag(16) == 0) {
        Choose("RASMode_0");
        State("RASMode_1").enabled = false;
    } else if (host_.ConnectionStateFlag(2) == 0) {
        Choose("RASMode_1");
    } else {
        Choose(record_.RASMode ? "RASMode_1" : "RASMode_0");
    }

    if (record_.CuMode >= 0 && record_.CuMode <= 2) {
        Choose(Indexed("CuMode", record_.CuMode));
    } else {
        // A mode the dialog does not know: no option is chosen and saving keeps
        // the stored mode and list.
        cuMode_ = -1;
        Show({"Grid", "LabelCUPosition", "CuPosition", "LabelFileNamePos", "FileNamePos", "LabelParameter", "Delimiter",
              "Label7", "Label8", "LabelPathName"},
             false);
    }

    const auto loadCheck = [this](std::string_view name, bool value) {
        State(name).checked = value;
        RunCheckHandler(name, value);
    };
    loadCheck("OnLineMode", record_.OnLineMode);
    SetTextOf("TimeInterval", std::to_string(record_.TimeInterval));
    loadCheck("ShowErrMessage", record_.ShowErrMessage);
    loadCheck("WriteLogFile", record_.WriteLogFile);
    loadCheck("WriteLogControl", record_.WriteLogControl);
    loadCheck("WriteDebugLog", record_.WriteDebugLog);
    loadCheck("ViewInfo", record_.ViewInfo);
    loadCheck("ArchiveFiles", record_.ArchiveFiles);
    loadCheck("DeleteLogFiles", record_.DeleteLogFiles);
    loadCheck("UseMAPI", record_.UseMAPI);
    SetTextOf("DeleteDayInt", std::to_string(record_.DeleteDayInt));
    Choose(record_.RunMode ? "RunMode_1" : "RunMode_0");
}

void ConfigForm::Click(std::string_view name) {
    const auto [group, index] = SplitIndex(name);
    if (group == kOkButton) {
        Ok();
    } else if (group == kApplyButton) {
        Apply();
    } else if (group == kCancelButton) {
        Cancel();
    } else if (group == "cmdBrowse") {
        OnBrowse(index);
    } else if (const auto* info = FindConfigControl(name)) {
        if (info->kind == ControlKind::Option) Choose(name);
        if (info->kind == ControlKind::CheckBox) SetChecked(name, !State(name).checked);
    }
}

void ConfigForm::SetChecked(std::string_view name, bool checked) {
    auto& state = State(name);
    if (state.checked == checked) return;
    state.checked = checked;
    RunCheckHandler(name, checked);
}

void ConfigForm::Choose(std::string_view name) {
    const auto [group, index] = SplitIndex(name);
    for (int i = 0; controls_.contains(Indexed(group, i)); ++i) State(Indexed(group, i)).checked = i == index;
    RunOptionHandler(group, index);
}

void ConfigForm::RunOptionHandler(std::string_view group, int index) {
    if (group == "RASMode") OnRasMode(index);
    if (group == "RunMode") OnRunMode(index);
    if (group == "CuMode") OnCuMode(index);
}

void ConfigForm::RunCheckHandler(std::string_view name, bool checked) {
    if (name == "UseProxy") OnUseProxy(checked);
    if (name == "OnLineMode") OnOnLineMode(checked);
    if (name == "DeleteLogFiles") OnDeleteLogFiles(checked);
    if (name == "UseMAPI") OnUseMail(checked);
}

void ConfigForm::SetText(std::string_view name, std::string_view text) {
    SetTextOf(name, std::string(text));
}

void ConfigForm::OnTextChanged(std::string_view name) {
    if (name == "CuPosition") {
        if (auto preview = PositionPreview(State("SourcePath").text, State("CuPosition").text))
            State("LabelPathName").text = std::move(*preview);
    } else if (name == "DeleteDayInt") {
        State("LabelDay").text = std::string(DayLabel(State("DeleteDayInt").text));
    }
}

bool ConfigForm::LeaveField(std::string_view name) {
    auto& text = State(name).text;
    for (const auto folder : kFolderFields) {
        if (name != folder || !TrimView(text).empty()) continue;
        const auto& stored = StoredFolder(record_, name);
        SetTextOf(name, stored.empty() ? proposals_.FolderFallback(name) : stored);
        return true;
    }
    if (auto replaced = NumberTextOnLeaving(name, text)) {
        SetTextOf(name, std::move(*replaced));
    } else if (name == "Delimiter" && IsForbiddenDelimiter(text)) {
        host_.ShowBox(exeName_, kForbiddenDelimiterText, MessageIcon::Exclamation);
        Focus(2, "Delimiter");
        return false;
    }
    return true;
}

void ConfigForm::OnRasMode(int index) {
    State("RASMode_0").bold = index == 0;
    State("RASMode_1").bold = index == 1;
    if (index == 1) {
        auto& ras = State("RASName");
        ras.text.clear();
        ras.items.clear();
        Show({"FrameProxy"}, false);
        Show({"FrameRas"}, true);
        const auto entries = host_.ListRasEntries(record_.RASName);
        if (!entries || entries->names.empty()) {
            host_.ShowBox(exeName_, kNoDialUpEntryText, MessageIcon::Exclamation);
            Choose("RASMode_0");
        } else {
            ras.items = entries->names;
            ras.text = ras.items[entries->selected < ras.items.size() ? entries->selected : 0];
        }
        if (record_.RASAutoDial) State("RASAutoDial").checked = true;
    } else if (index == 0) {
        if (record_.UseProxy) {
            State("UseProxy").checked = true;
            OnUseProxy(true);
        }
        Show({"FrameProxy"}, true);
        Show({"FrameRas"}, false);
    }
}

void ConfigForm::OnUseProxy(bool checked) {
    Enable({"LabelProxyIp", "LabelProxyPort", "ProxyName", "ProxyPort", "Label5", "Label6", "txtProxyUser",
            "txtProxyPass"},
           checked);
    if (!checked) return;
    State("ProxyName").text = record_.ProxyName;
    State("ProxyPort").text = record_.ProxyPort;
    State("txtProxyUser").text = record_.ProxyUser;
    State("txtProxyPass").text = record_.ProxyPass;
}

void ConfigForm::OnRunMode(int index) {
    State("RunMode_0").bold = index == 0;
    State("RunMode_1").bold = index == 1;
    const bool testMode = index == 1;
    if (record_.RunMode == testMode) return;
    record_.RunMode = testMode;
    host_.RunModeChanged(testMode);
}

void ConfigForm::OnCuMode(int index) {
    if (index < 0 || index > 2) return;
    cuMode_ = index;
    const bool byHand = index == 0, byFolder = index == 1, byName = index == 2;
    Show({"Grid"}, byHand);
    if (byHand) grid_.FillOfficeGrid(record_.CuOption);
    Show({"LabelCUPosition", "CuPosition", "LabelFileNamePos"}, !byHand);
    Show({"FileNamePos", "LabelParameter", "Delimiter", "Label7", "Label8"}, byName);
    Show({"LabelPathName"}, byFolder);
    if (byFolder) {
        State("LabelCUPosition").text = "Kód CÚ číst z názvu složky na pozici :";
        State("LabelFileNamePos").text = "Náhled pozice:";
    } else if (byName) {
        State("LabelCUPosition").text = "Pozice kódu CÚ v názvu :";
        State("LabelFileNamePos").text = "Pozice jména souboru :";
        SetTextOf("FileNamePos", std::to_string(record_.FileNamePos));
        if (!record_.Delimiter.empty()) State("Delimiter").text = record_.Delimiter;
    }
    if (!byHand) SetTextOf("CuPosition", std::to_string(record_.CuPosition));
}

void ConfigForm::OnOnLineMode(bool checked) {
    Enable({"LabelSendInt", "TimeInterval"}, !checked);
}

void ConfigForm::OnDeleteLogFiles(bool checked) {
    Enable({"DeleteDayInt"}, checked);
}

void ConfigForm::OnUseMail(bool checked) {
    Enable({"LabelMapiUser", "MAPIUser", "LabelMapiPass", "MAPIPass", "LabelSendTo", "SendTo", "MAPIERRMess",
            "MAPINoRet", "LabelMailServer", "MailServer", "LabelMailFrom", "MailFrom"},
           checked);
    if (!checked) return;
    State("MAPIUser").text = record_.MAPIUser;
    State("MAPIPass").text = record_.MAPIPass;
    State("SendTo").text = record_.SendTo;
    State("MailServer").text = record_.MailServer;
    State("MailFrom").text = record_.MailFrom;
    if (record_.MAPIErrorMessage) State("MAPIERRMess").checked = true;
    if (record_.MAPINoRetMessage) State("MAPINoRet").checked = true;
}

void ConfigForm::OnBrowse(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kFolderFields))) return;
    const auto field = kFolderFields[index];
    auto chosen = host_.BrowseForFolder();
    if (!chosen.empty()) SetTextOf(field, std::move(chosen));
}

} // namespace zumaset
