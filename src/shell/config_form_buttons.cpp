// The configuration form's buttons: the checks, saving the controls into the
// record and the registry, and what OK, Apply and Cancel report.
#include "core/settings_store.h"
#include "core/text.h"
#include "core/time_format.h"
#include "shell/config_form.h"

namespace zumaset {

namespace {

// The title of the boxes that carry the program's name rather than the executable's.
constexpr std::string_view kAppTitle = "Zumaset";

} // namespace

bool ConfigForm::ValidateSettings() {
    const auto blank = [this](std::string_view name) { return TrimView(State(name).text).empty(); };
    if (State("RASMode_0").checked && State("UseProxy").checked && (blank("ProxyName") || blank("ProxyPort"))) {
        if (!host_.AskYesNo(exeName_, kIncompleteProxyQuestion)) {
            Focus(0, "ProxyName");
            return false;
        }
        SetChecked("UseProxy", false);
    }
    if (blank("User") || blank("Pass")) {
        host_.ShowBox(kAppTitle, kAccountMissingText, MessageIcon::None);
        Focus(0, "User");
        return false;
    }
    if (cuMode_ == 0 && grid_.dataRowCount() == 0) {
        host_.ShowBox(exeName_, kNoOfficeText, MessageIcon::Exclamation);
        Focus(2, "cmdNew");
        return false;
    }
    // Without a mail server the notices cannot go anywhere: it counts as a
    // required value like the user and the recipients.
    if (State("UseMAPI").checked &&
        (State("MAPIUser").text.empty() || State("SendTo").text.empty() || blank("MailServer"))) {
        if (!host_.AskYesNo(exeName_, kIncompleteMailQuestion)) {
            Focus(4, "MAPIUser");
            return false;
        }
        SetChecked("UseMAPI", false);
    }
    if (blank("ServerTxt") || blank("ServerXml")) {
        host_.ShowBox(kAppTitle, kServersMissingText, MessageIcon::None);
        Focus(5, "ServerXml");
        return false;
    }
    return true;
}

void ConfigForm::ApplySettings() {
    const auto trimmed = [this](std::string_view name) { return TrimBlanks(State(name).text); };
    const auto checked = [this](std::string_view name) { return State(name).checked; };
    const auto number = [this](std::string_view name) {
        return NumberForSaving(*FindSettingsField(name), State(name).text);
    };
    record_.ServerTxt = trimmed("ServerTxt");
    record_.ServerXml = trimmed("ServerXml");
    record_.ServerOne = trimmed("ServerOne");
    record_.ServerTwo = trimmed("ServerTwo");
    record_.User = trimmed("User");
    record_.Pass = trimmed("Pass");

    record_.RASMode = checked("RASMode_1");
    if (record_.RASMode) {
        record_.RASName = State("RASName").text;
        record_.RASAutoDial = checked("RASAutoDial");
    } else {
        record_.UseProxy = checked("UseProxy");
        if (record_.UseProxy) {
            record_.ProxyName = trimmed("ProxyName");
            record_.ProxyPort = trimmed("ProxyPort");
            record_.ProxyUser = trimmed("txtProxyUser");
            record_.ProxyPass = trimmed("txtProxyPass");
        }
    }
    record_.RunMode = checked("RunMode_1");

    record_.SourcePath = trimmed("SourcePath");
    record_.RetValPath = trimmed("RetValPath");
    record_.ArchivPath = trimmed("ArchivPath");
    record_.LogsPath = trimmed("LogsPath");
    record_.ErrLogPath = trimmed("ErrLogPath");
    record_.ConLogPath = trimmed("ConLogPath");
    record_.SubDirIgnore = checked("SubDirIgnore");

    if (cuMode_ >= 0) record_.CuMode = static_cast<std::int16_t>(cuMode_);
    if (cuMode_ == 0) record_.CuOption = grid_.BuildOfficeList();
    if (cuMode_ == 1 || cuMode_ == 2) record_.CuPosition = static_cast<std::int16_t>(number("CuPosition"));
    if (cuMode_ == 2) {
        record_.FileNamePos = static_cast<std::int16_t>(number("FileNamePos"));
        record_.Delimiter = State("Delimiter").text;
    }

    record_.OnLineMode = checked("OnLineMode");
    if (!record_.OnLineMode) record_.TimeInterval = static_cast<std::int16_t>(number("TimeInterval"));
    record_.NoGetConnect = checked("NotConnect");
    record_.ShowErrMessage = checked("ShowErrMessage");
    record_.WriteLogFile = checked("WriteLogFile");
    record_.WriteLogControl = checked("WriteLogControl");
    record_.WriteDebugLog = checked("WriteDebugLog");
    record_.ViewInfo = checked("ViewInfo");
    record_.ArchiveFiles = checked("ArchiveFiles");
    record_.DeleteLogFiles = checked("DeleteLogFiles");
    if (record_.DeleteLogFiles) record_.DeleteDayInt = static_cast<std::int32_t>(number("DeleteDayInt"));
    host_.OfferControlLog(record_.WriteLogControl);

    record_.UseMAPI = checked("UseMAPI");
    if (record_.UseMAPI) {
        record_.MAPIUser = trimmed("MAPIUser");
        record_.MAPIPass = trimmed("MAPIPass");
        record_.SendTo = trimmed("SendTo");
        record_.MailServer = trimmed("MailServer");
        record_.MailFrom = trimmed("MailFrom");
        record_.MAPIErrorMessage = checked("MAPIERRMess");
        record_.MAPINoRetMessage = checked("MAPINoRet");
    }

    SaveSettings(record_, registry_);
    LoadSettings(record_, registry_);
    runModeKept_ = record_.RunMode;
    ++applyCount_;
}

std::string ConfigForm::ActivityLine(std::string_view what) const {
    return FormatClockTime(clock_.Now()) + std::string(what);
}

bool ConfigForm::Ok() {
    if (!ValidateSettings()) return false;
    ApplySettings();
    host_.AddActivity(ActivityLine(" * Konfigurace uložena a načtena"));
    registry_.DeleteValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue);
    outcome_ = FormOutcome::Confirmed;
    return true;
}

void ConfigForm::Apply() {
    if (ValidateSettings()) ApplySettings();
}

void ConfigForm::Cancel() {
    host_.AddActivity(ActivityLine(" * konfigurace stornována"));
    // A cancelled switch of the mode must not stay in force: in test mode real
    // declarations would go to the test pages.
    if (record_.RunMode != runModeKept_) {
        record_.RunMode = runModeKept_;
        host_.RunModeChanged(runModeKept_);
    }
    outcome_ = FormOutcome::Cancelled;
}

} // namespace zumaset
