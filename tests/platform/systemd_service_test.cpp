// The client as a systemd service, without a service manager: where the unit
// goes and what it says, installing and removing it through a recorded
// systemctl, the journal entry's fields, the status lines and the notify
// messages the manager is sent.
#include "core/registry_file.h"
#include "platform/journal_event_log.h"
#include "platform/service_events.h"
#include "platform/service_notifier.h"
#include "platform/systemd_service_control.h"
#include "platform/systemd_unit.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zumaset {
namespace {

struct PlaceCase {
    std::string name;
    bool root;
    std::map<std::string, std::string> environment;
    std::string folder;
    bool user;
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << c.name;
}

class UnitPlaceChoice : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(UnitPlaceChoice, FollowsTheUserAndTheEnvironment) {
    const PlaceCase& c = GetParam();
    const UnitPlace place = UnitPlaceFor(c.root, c.environment);
    EXPECT_EQ(place.folder, c.folder);
    EXPECT_EQ(place.user, c.user);
}

INSTANTIATE_TEST_SUITE_P(
    Places, UnitPlaceChoice,
    ::testing::Values(
        PlaceCase{"UserConfigHome",
                  false,
                  {{"HOME", "/home/dekl"}, {"XDG_CONFIG_HOME", "/srv/cfg"}},
                  "/srv/cfg/systemd/user",
                  true},
        // A relative XDG_CONFIG_HOME is not to be used, as the base directory rules say.
        PlaceCase{"UserRelativeConfigHome",
                  false,
                  {{"HOME", "/home/dekl"}, {"XDG_CONFIG_HOME", "cfg"}},
                  "/home/dekl/.config/systemd/user",
                  true},
        PlaceCase{
            "Root", true, {{"HOME", "/root"}, {"XDG_CONFIG_HOME", "/root/.config"}}, "/etc/systemd/system", false}),
    [](const auto& info) { return info.param.name; });

TEST(UnitText, RunsTheClientAsANotifyServiceRestartedOnFailure) {
    const std::string user = UnitText("/usr/bin/zumaset", true);
    for (const char* line : {"\nType=notify\n", "\nExecStart=\"/usr/bin/zumaset\"\n", "\nRestart=on-failure\n",
                             "\nRestartPreventExitStatus=3\n", "\nWantedBy=default.target\n"})
        EXPECT_NE(user.find(line), std::string::npos) << line;
    EXPECT_NE(UnitText("/usr/bin/zumaset", false).find("\nWantedBy=multi-user.target\n"), std::string::npos);
    // ExecStart keeps a path of any characters one word and unexpanded.
    EXPECT_EQ(ExecStartWord("/opt/Zuma Set/zumaset"), "\"/opt/Zuma Set/zumaset\"");
    EXPECT_EQ(ExecStartWord("/opt/a\"b\\c/zumaset"), "\"/opt/a\\\"b\\\\c/zumaset\"");
    EXPECT_EQ(ExecStartWord("/opt/100%/$HOME/zumaset"), "\"/opt/100%%/$$HOME/zumaset\"");
}

// Installing and removing with a systemctl that records its calls and fails
// the one named. The successful ones are played through by the program test.
struct ServiceCase {
    std::string name;
    bool install = true;      // otherwise remove
    bool unitBefore = false;  // a unit is there already
    bool user = true;         // a user unit
    std::string failing = {}; // the systemctl command that fails; empty: none
    bool result = true;
    bool unitAfter = true;
    std::vector<std::string> calls = {};
};

void PrintTo(const ServiceCase& c, std::ostream* os) {
    *os << c.name;
}

class ServiceInstallation : public ::testing::TestWithParam<ServiceCase> {
protected:
    test::TempDir dir;
};

TEST_P(ServiceInstallation, WritesOrRemovesTheUnitAndTellsTheManager) {
    const ServiceCase& c = GetParam();
    RegistryFile registry(dir / "registry.reg");
    ServiceNotifier notifier;
    std::vector<std::string> calls;
    SystemdServiceControl::Options options{
        {dir / "units", c.user}, "/usr/bin/zumaset", "dekl", [&](const std::vector<std::string>& argv) {
            std::string call;
            for (const auto& argument : argv) call += (call.empty() ? "" : " ") + argument;
            calls.push_back(call);
            return !c.failing.empty() && call.find(c.failing) != std::string::npos ? 1 : 0;
        }};
    const auto unit = dir / "units" / "zumaset.service";
    std::filesystem::create_directories(unit.parent_path());
    if (c.unitBefore) test::WriteFileBytes(unit, "[Unit]\nDescription=kept\n");
    SystemdServiceControl service(registry, notifier, options);

    EXPECT_EQ(c.install ? service.Install() : service.Uninstall(), c.result);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(std::filesystem::exists(unit), c.unitAfter);
    if (c.unitAfter) {
        EXPECT_EQ(test::ReadFileBytes(unit), "[Unit]\nDescription=kept\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ServiceInstallation,
                         ::testing::Values(
                             // A unit the manager refuses is not left behind looking installed.
                             ServiceCase{.name = "InstallRefused",
                                         .failing = "enable",
                                         .result = false,
                                         .unitAfter = false,
                                         .calls = {"systemctl --user daemon-reload",
                                                   "systemctl --user enable zumaset.service",
                                                   "systemctl --user daemon-reload"}},
                             // A unit there already is not overwritten.
                             ServiceCase{.name = "InstallOverAUnit", .unitBefore = true, .result = false},
                             ServiceCase{.name = "RemoveRefused",
                                         .install = false,
                                         .unitBefore = true,
                                         .user = false,
                                         .failing = "disable",
                                         .result = false,
                                         .calls = {"systemctl disable zumaset.service"}}),
                         [](const auto& info) { return info.param.name; });

TEST(SystemdServiceControl, OnlyAUserUnitNeedsLingeringToRunWithoutALogin) {
    test::TempDir dir;
    RegistryFile registry(dir / "registry.reg");
    ServiceNotifier notifier;
    SystemdServiceControl user(registry, notifier, {{dir.path(), true}, "/usr/bin/zumaset", "dekl", RunAndWait});
    SystemdServiceControl root(registry, notifier, {{dir.path(), false}, "/usr/bin/zumaset", "root", RunAndWait});
    EXPECT_NE(user.InstalledNote().find("loginctl enable-linger dekl"), std::string::npos);
    EXPECT_EQ(root.InstalledNote(), "");
}

TEST(RunAndWait, GivesTheExitStatusOrMinusOne) {
    EXPECT_EQ(RunAndWait({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(RunAndWait({"zumaset-test-no-such-program"}), -1);
    EXPECT_EQ(RunAndWait({"sh", "-c", "kill -9 $$"}), -1);
}

TEST(FileEventLog, AppendsTheJournalFieldsOfEachEntryInExportForm) {
    test::TempDir dir;
    FileEventLog log(dir / "events");
    log.LogEvent(EventType::Error, 109, "[1] two\nlines");
    EXPECT_EQ(test::ReadFileBytes(dir / "events"), "MESSAGE=event 109: [1] two\\x0Alines\nPRIORITY=3\n"
                                                   "ZUMASET_EVENT_ID=109\nSYSLOG_IDENTIFIER=zumaset\n\n");
}

TEST(JournalEventLog, WithoutAJournalWritesTheEntryToItsFallbackStream) {
    test::TempDir dir;
    std::ostringstream fallback;
    JournalEventLog log(fallback, dir / "no-journal-socket");
    log.LogEvent(EventType::Error, 109, "[13] Neshoda typů");
    EXPECT_EQ(fallback.str(), "event 109 (error): [13] Neshoda typů\n");
}

class RecordingNotifier final : public ServiceNotifier {
public:
    std::vector<std::string> sent;

protected:
    void Send(const std::string& state) override { sent.push_back(state); }
};

TEST(ServiceNotifier, SendsAStatusOnlyWhenItChangesAndStoppingOnce) {
    RecordingNotifier notifier;
    notifier.Status("a");
    notifier.Status("a");
    notifier.Status("two\nlines");
    notifier.Stopping();
    notifier.Stopping();
    notifier.Watchdog();
    EXPECT_EQ(notifier.sent, (std::vector<std::string>{"STATUS=a", "STATUS=two lines", "STOPPING=1", "WATCHDOG=1"}));
}

TEST(ServiceStatusText, IsTheTipAndTheFileUnderWay) {
    EXPECT_EQ(ServiceStatusText(false, std::nullopt), "Služba Zumaset je spuštěna");
    EXPECT_EQ(ServiceStatusText(true, std::nullopt), "Služba Zumaset je pozastavena");
    EXPECT_EQ(ServiceStatusText(true, TransferState{TransferState::Direction::Sending, "PRAHA001.VAS", 0, 10}),
              "Služba Zumaset je pozastavena, odesílá se PRAHA001.VAS");
    EXPECT_EQ(ServiceStatusText(false, TransferState{TransferState::Direction::Receiving, "R1.XML", 5, 10}),
              "Služba Zumaset je spuštěna, přijímá se R1.XML");
    EXPECT_EQ(ControlCaption("Zumaset Service", 128), "Zumaset Service Control signal 128");
}

} // namespace
} // namespace zumaset
