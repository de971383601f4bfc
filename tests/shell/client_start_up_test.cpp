// The client's start-up and shutdown against recording stand-ins: the order
// of the steps, the command line, the first run and the fatal start-up report.
#include "core/registry_document.h"
#include "core/settings_store.h"
#include "core/time_format.h"
#include "shell/client_start_up.h"

#include "recording_event_log.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zumaset {
namespace {

using Events = std::vector<std::string>;

struct RecordingFace final : ClientFace {
    explicit RecordingFace(Events& events) : events(events) {}
    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override {
        events.push_back("box " + std::string(title) + " " + std::to_string(static_cast<int>(icon)) + " " +
                         std::string(text));
    }
    bool ShowFirstRunDialog() override {
        events.push_back("dialog");
        if (!dialog) return false;
        dialog();
        return true;
    }
    void OfferCaCertificates(const Settings& settings) override { events.push_back("ca offer " + settings.ServerTxt); }
    void SetControlLogOffered(bool offered) override { events.push_back(offered ? "offer" : "withdraw"); }
    void ShowInTray() override { events.push_back("tray"); }
    void RemoveTrayIcon() override { events.push_back("untray"); }
    void ReportNotConfigured(std::string_view) override { events.push_back("not configured"); }

    Events& events;
    std::function<void()> dialog; // empty: this face has no dialog
};

struct RecordingService final : ServiceControl {
    explicit RecordingService(Events& events) : events(events) {}
    std::string DisplayName() const override { return "Zumaset Service"; }
    bool Install() override { return installs; }
    bool Uninstall() override { return installs; }
    std::string InstalledNote() const override { return note; }
    std::string GetSetting(std::string_view section, std::string_view key, std::string_view fallback) override {
        events.push_back("get " + std::string(section) + "\\" + std::string(key));
        return timerInterval ? *timerInterval : std::string(fallback);
    }
    void SaveSetting(std::string_view, std::string_view, std::string_view) override { events.push_back("save"); }
    void SetControlsAccepted(int controls) override { events.push_back("accept " + std::to_string(controls)); }
    void StartService() override { events.push_back("start service"); }
    void StopService() override { events.push_back("stop service"); }

    Events& events;
    std::optional<std::string> timerInterval;
    bool installs = false;
    std::string note;
};

struct RecordingCore final : ClientCore {
    explicit RecordingCore(Events& events) : events(events) {}
    std::chrono::system_clock::time_point Now() const override { return FromLocalTime(2026, 12, 6, 9, 5, 7); }
    void LoadSettings() override { events.push_back("load settings"); }
    const Settings& settings() const override { return settingsValue; }
    // The trace's tag, as in "trace A01"; the line's layout is the trace writer's own.
    void WriteDebugTrace(std::string_view line) override {
        const auto tag = line.find('<');
        events.push_back("trace " + std::string(line.substr(tag + 1, line.find('>', tag) - tag - 1)));
    }
    void WriteErrorLog(std::string_view line) override { events.push_back("error log " + std::string(line)); }
    void AddActivityLine(std::string_view line) override { events.push_back("activity " + std::string(line)); }
    RegisterLoad LoadRegister() override {
        events.push_back("load register");
        return registerLoad;
    }
    void SetTimerInterval(int milliseconds) override { events.push_back("interval " + std::to_string(milliseconds)); }
    void ResetReceiptPolls() override { events.push_back("receipt polls"); }
    void ArmTimer() override { events.push_back("arm timer"); }
    std::string OpenSession() override {
        events.push_back("open session");
        return "7";
    }
    bool serviceStarted() const override { return service; }
    bool SaveRegister() override {
        events.push_back("save register");
        return true;
    }

    Events& events;
    Settings settingsValue;
    RegisterLoad registerLoad = RegisterLoad::Loaded;
    bool service = false;
};

class ClientStartUp : public ::testing::Test {
protected:
    ClientStartUp() {
        registry.CreateKey(Hive::CurrentUser, kSettingsKey);
        registry.SetValue(Hive::CurrentUser, kSettingsKey, "User", std::string("DEKL01"), RegType::Sz);
        core.settingsValue.WriteDebugLog = true;
        core.settingsValue.WriteLogControl = true;
    }
    std::optional<int> StartUp() { return lifecycle.StartUp(); }

    Events events;
    RecordingFace face{events};
    RecordingService service{events};
    test::RecordingEventLog eventLog;
    RecordingCore core{events};
    RegDocument registry;
    ClientLifecycle lifecycle{face, service, eventLog, core, registry, "zumaset"};
};

TEST_F(ClientStartUp, RunsItsStepsInOrderAndEndsInTheTray) {
    EXPECT_EQ(StartUp(), std::nullopt);
    EXPECT_TRUE(lifecycle.started());
    const Events expected{
        "load settings",
        "offer",
        "get Parameters\\TimerInterval",
        "interval 20000",
        "accept 2",
        "start service",
        "trace A01",
        "activity Výpis aktivity od 6.12.2026 9:05:07",
        "activity 09:05:07 - klient spuštěn ",
        "load register",
        "receipt polls",
        "arm timer",
        "open session",
        "trace A02",
        "tray",
    };
    EXPECT_EQ(events, expected);
}

TEST_F(ClientStartUp, ShutsDownInOrderWhateverFails) {
    core.settingsValue.WriteLogControl = false;
    ASSERT_EQ(StartUp(), std::nullopt);
    EXPECT_EQ(events[1], "withdraw");
    events.clear();
    lifecycle.ShutDown();
    const Events expected{"trace A03", "save register", "untray", "stop service"};
    EXPECT_EQ(events, expected);
}

// One cause of a fatal start-up error and what the report says.
struct FatalCase {
    std::string name;
    std::optional<std::string> timerInterval;
    RegisterLoad registerLoad;
    long number;
    std::string description;
};

void PrintTo(const FatalCase& c, std::ostream* os) {
    *os << c.name;
}

class FatalStartUp : public ClientStartUp, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalStartUp, ShowsTheBoxWritesTheErrorLogAndEnds) {
    const FatalCase& c = GetParam();
    service.timerInterval = c.timerInterval;
    core.registerLoad = c.registerLoad;
    EXPECT_EQ(StartUp(), clientexit::kFailure);
    EXPECT_FALSE(lifecycle.started());
    const std::string number = std::to_string(c.number);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2],
              "box zumaset 2 Chyba aplikace :  [" + number + "]\r\n" + c.description + "\r\nAplikace bude ukončena.");
    EXPECT_EQ(events.back(), "error log [" + number + "] *** " + c.description + " -> APP_FATAL_EXIT");
    for (const auto& event : events) {
        EXPECT_NE(event, "arm timer");
        EXPECT_NE(event, "tray");
    }
}

INSTANTIATE_TEST_SUITE_P(Causes, FatalStartUp,
                         ::testing::Values(FatalCase{"TimerIntervalTooLarge", "40000", RegisterLoad::Loaded, 6,
                                                     "Přetečení"},
                                           FatalCase{"TimerIntervalNegative", "-1", RegisterLoad::Loaded, 380,
                                                     "Neplatná hodnota vlastnosti"},
                                           FatalCase{"RegisterBusy", std::nullopt, RegisterLoad::Busy, 99999,
                                                     "Registr odeslaných souborů používá jiný proces."},
                                           FatalCase{"RegisterRefused", std::nullopt, RegisterLoad::Refused, 99999,
                                                     "Registr odeslaných souborů nelze použít (viz protokol chyb)."}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ClientStartUp, AFatalErrorGoesToTheEventLogAndNoBoxWhenTheServiceStarted) {
    core.registerLoad = RegisterLoad::Busy;
    core.service = true;
    EXPECT_EQ(StartUp(), clientexit::kFailure);
    ASSERT_EQ(eventLog.entries.size(), 1u);
    EXPECT_EQ(eventLog.entries[0].id, 109);
    EXPECT_EQ(eventLog.entries[0].text, "[99999] Registr odeslaných souborů používá jiný proces.");
    for (const auto& event : events) EXPECT_NE(event.rfind("box", 0), 0u) << event;
}

TEST(TimerIntervalFromText, TakesWholeNumbersFromZeroTo32767) {
    EXPECT_EQ(TimerIntervalFromText("0"), 0);
    EXPECT_EQ(TimerIntervalFromText(" 32767 "), 32767);
    EXPECT_THROW(TimerIntervalFromText("32768"), StartUpError);
    EXPECT_THROW(TimerIntervalFromText("99999999999999999999"), StartUpError);
    EXPECT_THROW(TimerIntervalFromText("20000.5"), StartUpError);
}

// One command line and the box the program answers it with (empty: none).
struct CommandLineCase {
    std::string name;
    std::vector<std::string> arguments;
    std::optional<int> exit;
    std::string box;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, AnswersAsTheClientAlwaysHas) {
    const CommandLineCase& c = GetParam();
    Events events;
    RecordingFace face{events};
    RecordingService service{events};
    std::ostringstream out;
    EXPECT_EQ(HandleCommandLine(CommandLineText(c.arguments), "zumaset", face, service, out), c.exit);
    EXPECT_EQ(events, c.box.empty() ? Events{} : Events{"box zumaset " + c.box});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(
        CommandLineCase{"None", {}, std::nullopt, ""},
        CommandLineCase{"Install", {"/i"}, 1, "2 Obecné selhání.\r\nSlužba  'Zumaset Service' nebyla nainstalována."},
        CommandLineCase{"Uninstall", {"/u"}, 1, "2 Obecné selhání.\r\nSlužba  'Zumaset Service' nebyla odebrána."},
        CommandLineCase{"InstallWithAnotherArgument", {"/i", "x"}, 2, "2 Zadaný parametr není platný."}),
    [](const auto& info) { return info.param.name; });

// What a first run finds in the registry and how the start-up goes on.
struct FirstRunCase {
    std::string name;
    bool settingsKey;
    std::optional<std::int32_t> runFirst;
    std::optional<std::string> siblingUser; // none: no sibling key
    bool dialogConfirms;                    // the first-run dialog saves
    std::optional<int> withDialog;          // the start-up's result
    Events flowWithDialog;                  // what the face shows before the settings are loaded
};

void PrintTo(const FirstRunCase& c, std::ostream* os) {
    *os << c.name;
}

class FirstRun : public ClientStartUp, public ::testing::WithParamInterface<FirstRunCase> {
protected:
    void Prepare(const FirstRunCase& c) {
        registry = RegDocument();
        if (c.settingsKey) registry.CreateKey(Hive::CurrentUser, kSettingsKey);
        if (c.runFirst) registry.SetValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue, *c.runFirst, RegType::Dword);
        if (c.siblingUser) {
            registry.CreateKey(Hive::CurrentUser, kSiblingKey);
            registry.SetValue(Hive::CurrentUser, kSiblingKey, "User", *c.siblingUser, RegType::Sz);
            registry.SetValue(Hive::CurrentUser, kSiblingKey, "RemoteServer", std::string("van.example:443"),
                              RegType::Sz);
        }
    }
    Events EventsBeforeLoading() const {
        return {events.begin(), std::find(events.begin(), events.end(), "load settings")};
    }
};

// A confirmed dialog is followed by the certificate offer for the server it
// saved; a dialog left without saving ends the process with no offer.
TEST_P(FirstRun, WithADialogGoesOnWhenItWasConfirmed) {
    const FirstRunCase& c = GetParam();
    Prepare(c);
    face.dialog = [this, &c] {
        registry.CreateKey(Hive::CurrentUser, kSettingsKey);
        registry.SetValue(Hive::CurrentUser, kSettingsKey, "ServerTxt", std::string("van.example"), RegType::Sz);
        if (c.dialogConfirms) registry.DeleteValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue);
    };
    EXPECT_EQ(StartUp(), c.withDialog);
    EXPECT_EQ(EventsBeforeLoading(), c.flowWithDialog);
}

const Events kConfirmed{"dialog", "ca offer van.example"};

INSTANTIATE_TEST_SUITE_P(
    Registry, FirstRun,
    ::testing::Values(
        FirstRunCase{"RunFirstZero", true, 0, std::nullopt, false, std::nullopt, {}},
        FirstRunCase{"NoSettingsAtAll", false, std::nullopt, std::nullopt, true, std::nullopt, kConfirmed},
        FirstRunCase{"RunFirstSet", true, 1, std::nullopt, true, std::nullopt, kConfirmed},
        FirstRunCase{"DialogLeftWithoutSaving", true, 1, std::nullopt, false, 0, {"dialog"}},
        FirstRunCase{"SiblingSettingsMigrated", true, 1, "DEKL01", false, std::nullopt, {}},
        FirstRunCase{"SiblingWithoutSettingsFileMigrated", false, std::nullopt, "DEKL01", false, std::nullopt, {}},
        FirstRunCase{"SiblingWithEmptyUserIsNoSettings", true, 1, "", true, std::nullopt, kConfirmed}),
    [](const auto& info) { return info.param.name; });

// The note says what the user still has to do for the service to start.
TEST(CommandLineService, AnInstallationAddsTheServicesNoteToItsMessage) {
    Events events;
    RecordingFace face{events};
    RecordingService service{events};
    service.installs = true;
    service.note = "loginctl enable-linger dekl";
    std::ostringstream out;
    EXPECT_EQ(HandleCommandLine("/i", "zumaset", face, service, out), 0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_NE(events[1].find("byla úspěšně nainstalována.\r\nloginctl enable-linger dekl"), std::string::npos)
        << events[1];
}

} // namespace
} // namespace zumaset
