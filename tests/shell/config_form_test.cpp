#include "core/registry_document.h"
#include "core/settings_store.h"
#include "core/time_format.h"
#include "shell/config_form.h"

#include "recording_config_host.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace zumaset {
namespace {

constexpr std::string_view kHome = "/home/anna";

class ConfigFormTest : public testing::Test {
protected:
    ConfigFormTest() {
        registry.CreateKey(Hive::CurrentUser, kSettingsKey);
        registry.SetValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue, std::int32_t{1}, RegType::Dword);
    }

    // A record that passes every check.
    static Settings Complete() {
        Settings s;
        s.User = "jan";
        s.Pass = "heslo";
        s.ServerTxt = "txt.example";
        s.ServerXml = "xml.example";
        s.CuOption = "ABC|CZ900000%";
        return s;
    }

    ConfigForm& Open() {
        form.emplace(record, registry, clock, host, "zumaset", kHome);
        form->Load();
        return *form;
    }
    const ControlState& C(std::string_view name) const { return form->control(name); }
    RegValue Stored(std::string_view name) { return registry.QueryValue(Hive::CurrentUser, kSettingsKey, name); }

    RegDocument registry;
    Settings record;
    FixedClock clock{FromLocalTime(2026, 12, 7, 9, 5, 7)};
    test::RecordingConfigHost host;
    std::optional<ConfigForm> form;
};

TEST_F(ConfigFormTest, FirstStartProposesFoldersUnderTheHomeFolder) {
    Open();
    EXPECT_EQ(C("SourcePath").text, "/home/anna/Zumaset/Na_CU/");
    EXPECT_EQ(C("ErrLogPath").text, "/home/anna/Zumaset");
}

TEST_F(ConfigFormTest, LoadingRunsTheHandlersOfTheStoredChoices) {
    record.UseMAPI = true;
    record.CuMode = 2;
    Open();
    EXPECT_TRUE(C("SendTo").enabled && C("MailServer").enabled && C("MailFrom").enabled);
    EXPECT_FALSE(C("Grid").visible);
    EXPECT_EQ(C("LabelCUPosition").text, "Pozice kódu CÚ v názvu :");
}

TEST_F(ConfigFormTest, WithoutDialUpSupportTheLocalNetworkIsChosenAndTheLineDisabled) {
    record.RASMode = true;
    host.dialUpSupport = 0;
    Open();
    EXPECT_TRUE(C("RASMode_0").checked);
    EXPECT_FALSE(C("RASMode_1").enabled);
}

TEST_F(ConfigFormTest, AnEmptyPhonebookShowsTheBoxAndFallsBackToTheLocalNetwork) {
    Open().Click("RASMode_1");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, kNoDialUpEntryText);
    EXPECT_TRUE(C("RASMode_0").checked && !C("RASMode_1").checked);
}

TEST_F(ConfigFormTest, TheChosenDialUpEntryIsSaved) {
    record = Complete();
    record.RASName = "Modem2";
    record.RASAutoDial = true;
    host.rasEntries = RasChoice{{"Modem1", "Modem2"}, 1};
    Open().Click("RASMode_1");
    EXPECT_EQ(C("RASName").text, "Modem2");
    form->SetText("RASName", "Modem1");
    ASSERT_TRUE(form->Ok());
    EXPECT_TRUE(record.RASMode);
    EXPECT_EQ(record.RASName, "Modem1");
}

// What a field shows after it is given a text and left.
struct LeaveCase {
    std::string name;
    std::string field;
    std::string typed;
    std::string stored; // the record's value of a folder field
    std::string expected;
};
void PrintTo(const LeaveCase& c, std::ostream* os) {
    *os << c.field << " '" << c.typed << "'";
}

class LeavingField : public ConfigFormTest, public testing::WithParamInterface<LeaveCase> {};

TEST_P(LeavingField, GivesTheExpectedText) {
    const auto& c = GetParam();
    record.CuMode = 2;
    if (!c.stored.empty()) record.*std::get<std::string Settings::*>(FindSettingsField(c.field)->member) = c.stored;
    Open().SetText(c.field, c.typed);
    EXPECT_TRUE(form->LeaveField(c.field));
    EXPECT_EQ(C(c.field).text, c.expected);
    EXPECT_TRUE(host.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(ConfigForm, LeavingField,
                         testing::Values(LeaveCase{"IntervalAbove300", "TimeInterval", "450", "", "300"},
                                         LeaveCase{"LogsRestored", "LogsPath", "", "/srv/logy/", "/srv/logy/"},
                                         LeaveCase{"LogsProposed", "LogsPath", "  ", "", "/home/anna/Zumaset/Logy/"},
                                         LeaveCase{"ErrorLogProposed", "ErrLogPath", "", "", "/home/anna/Zumaset/"},
                                         LeaveCase{"DelimiterAllowed", "Delimiter", "_", "", "_"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ConfigFormTest, DayLabelAndPositionPreviewFollowTheText) {
    Open();
    for (const auto& [days, label] :
         {std::pair{"1", "den."}, {" 2 ", "dny."}, {"4", "dny."}, {"5", "dní."}, {"", "dní."}}) {
        form->SetText("DeleteDayInt", days);
        EXPECT_EQ(C("LabelDay").text, label) << days;
    }
    form->SetText("SourcePath", "/Data/ODESLÁNÍ/");
    form->Click("CuMode_1");
    form->SetText("CuPosition", "2");
    EXPECT_EQ(C("LabelPathName").text, "/data/odeslání/ 0 / 1 / KOD_CU / 3 /....");
    form->SetText("CuPosition", "7");
    EXPECT_EQ(C("LabelPathName").text, "/data/odeslání/ 0 / 1 / KOD_CU / 3 /....");
}

TEST_F(ConfigFormTest, AForbiddenDelimiterIsRefusedWithTheBoxAndKeepsTheFocus) {
    record.CuMode = 2;
    Open().SetCurrentTab(0);
    form->SetText("Delimiter", "/");
    EXPECT_FALSE(form->LeaveField("Delimiter"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Jako oddělovač nelze použít žádný z následujících znaků:\r\n\t\\ / : * ? \" < > |");
    EXPECT_EQ(form->currentTab(), 2);
    EXPECT_EQ(form->TakeFocusRequest(), "Delimiter");
}

TEST_F(ConfigFormTest, BrowsingPutsThePickedFolderAndCancellingKeepsTheText) {
    Open().SetText("ArchivPath", "/old/");
    form->Click("cmdBrowse_2");
    EXPECT_EQ(C("ArchivPath").text, "/old/");
    host.picked = "/srv/archiv/";
    form->Click("cmdBrowse_2");
    EXPECT_EQ(C("ArchivPath").text, "/srv/archiv/");
}

// One refused record: what is set up, how the question is answered, and what
// the user is shown and where the focus goes.
struct ValidationCase {
    std::string name;
    std::function<void(Settings&)> setUp;
    std::vector<bool> answers;
    std::string boxStart; // the start of the last box's text
    int tab;
    std::string focus;
};
void PrintTo(const ValidationCase& c, std::ostream* os) {
    *os << c.name;
}

class Validation : public ConfigFormTest, public testing::WithParamInterface<ValidationCase> {};

TEST_P(Validation, RefusesTellsAndFocusesAndSavesNothing) {
    const auto& c = GetParam();
    record = Complete();
    c.setUp(record);
    host.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_FALSE(Open().Ok());
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_TRUE(host.boxes.back().text.starts_with(c.boxStart)) << host.boxes.back().text;
    EXPECT_EQ(form->outcome(), FormOutcome::Open);
    EXPECT_EQ(form->currentTab(), c.tab);
    EXPECT_EQ(form->TakeFocusRequest(), c.focus);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(Stored("User"))) << "nothing may be saved";
}

void MailWithoutRecipient(Settings& s) {
    s.UseMAPI = true;
    s.MAPIUser = "jan";
    s.MailServer = "smtp://mail.local";
}
void MailWithoutServer(Settings& s) {
    MailWithoutRecipient(s);
    s.SendTo = "a@b.cz";
    s.MailServer.clear();
}
void NoOfficeInAutomaticMode(Settings& s) {
    s.CuOption.clear();
    s.CuMode = 1;
    s.ServerTxt = " "; // so that a refusal shows which check ran
}

INSTANTIATE_TEST_SUITE_P(
    ConfigForm, Validation,
    testing::Values(
        ValidationCase{
            "MailQuestionNoReturnsToMailUser", MailWithoutRecipient, {false}, "Bylo zvoleno 'Zasílání", 4, "MAPIUser"},
        ValidationCase{"MailServerIsRequiredToo", MailWithoutServer, {false}, "Bylo zvoleno 'Zasílání", 4, "MAPIUser"},
        ValidationCase{
            "EmptyGridIsRefused", [](Settings& s) { s.CuOption.clear(); }, {}, "Nebyl zadán žádný kód", 2, "cmdNew"},
        ValidationCase{
            "EmptyGridCountsOnlyInManualMode", NoOfficeInAutomaticMode, {}, "Položky 'Server ECRFTP'", 5, "ServerXml"},
        ValidationCase{
            "BlankUserIsRefused", [](Settings& s) { s.User = " "; }, {}, "Položky 'Jméno' a 'Heslo'", 0, "User"},
        ValidationCase{"MissingServerIsRefused",
                       [](Settings& s) { s.ServerXml = " "; },
                       {},
                       "Položky 'Server ECRFTP'",
                       5,
                       "ServerXml"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ConfigFormTest, AYesToTheProxyQuestionSavesWithoutTheProxy) {
    record = Complete();
    record.UseProxy = true;
    record.ProxyName = "proxy.local";
    host.answers = {true};
    EXPECT_TRUE(Open().Ok());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_TRUE(host.boxes[0].text.starts_with("Bylo zvoleno  'Ruční")) << host.boxes[0].text;
    EXPECT_FALSE(record.UseProxy);
}

TEST_F(ConfigFormTest, OkSavesDeletesRunFirstAndReportsIt) {
    record = Complete();
    record.CuOption = "ABC;DEF|CZ900000%ALL_FILES|CZ510000%";
    record.WriteLogControl = true;
    record.UseMAPI = true;
    record.MAPIUser = "jan";
    record.SendTo = "a@b.cz";
    record.MailServer = "smtp://mail.local";
    Open().SetText("TimeInterval", "15");
    form->SetText("MailFrom", "podatelna@firma.cz"); // a field the form must load and save back
    EXPECT_TRUE(form->Ok());
    EXPECT_EQ(host.activity, std::vector<std::string>{"09:05:07 * Konfigurace uložena a načtena"});
    EXPECT_EQ(host.controlLogOffers, std::vector<bool>{true});
    EXPECT_TRUE(std::holds_alternative<std::monostate>(Stored(kRunFirstValue)));
    Settings reloaded;
    LoadSettings(reloaded, registry);
    EXPECT_EQ(reloaded.TimeInterval, 15);
    EXPECT_EQ(reloaded.MailFrom, "podatelna@firma.cz");
    EXPECT_EQ(record, reloaded);
}

TEST_F(ConfigFormTest, NumberFieldsThatAreNotNumbersAreSavedAsTheirLeavingRuleGives) {
    record = Complete();
    record.DeleteLogFiles = true;
    record.CuMode = 2;
    Open().SetText("TimeInterval", "abc");
    form->SetText("DeleteDayInt", "");
    form->SetText("CuPosition", "999");
    ASSERT_TRUE(form->Ok());
    EXPECT_EQ(record.TimeInterval, 0);
    EXPECT_EQ(record.DeleteDayInt, 30);
    EXPECT_EQ(record.CuPosition, 99);
}

TEST_F(ConfigFormTest, CancelTakesBackTheRunModeAndLeavesTheRegistryAlone) {
    record = Complete();
    Open().Click("RunMode_1");
    EXPECT_TRUE(record.RunMode) << "a RunMode click acts at once";
    form->SetText("User", "jiny");
    form->Cancel();
    EXPECT_FALSE(record.RunMode);
    EXPECT_EQ(host.runModes, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.activity, std::vector<std::string>{"09:05:07 * konfigurace stornována"});
    EXPECT_TRUE(std::holds_alternative<std::monostate>(Stored("RunMode")));
    EXPECT_EQ(record.User, "jan");
}

TEST_F(ConfigFormTest, CancelAfterApplyKeepsTheAppliedRunMode) {
    record = Complete();
    Open().Click("RunMode_1");
    form->Apply();
    form->Click("RunMode_0");
    form->Cancel();
    EXPECT_TRUE(record.RunMode);
    EXPECT_TRUE(host.activity.size() == 1) << "Apply adds no entry";
}

} // namespace
} // namespace zumaset
