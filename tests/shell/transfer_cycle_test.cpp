// The transfer cycle tick by tick: its rhythms, the manual commands, the
// error in a tick and pausing, with ticks delivered by hand on a fixed clock.
#include "core/registry_document.h"
#include "core/settings_store.h"
#include "core/system_error_text.h"
#include "core/time_format.h"
#include "shell/pass_lock.h"
#include "shell/transfer_cycle.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "recording_event_log.h"
#include "recording_sinks.h"
#include "runtime_fixture.h"
#include "temp_dir.h"
#include "trace_has.h"

#include <gtest/gtest.h>
#include <ostream>
#include <stdexcept>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
using test::FakeReply;
using test::TraceCount;

constexpr const char* kTextPage = "/secure/activex_download/upload_prg.asp";
constexpr const char* kListPage = "/secure/activex_download/download_list.asp";

class Cycle : public test::RuntimeFixture {
protected:
    Cycle() {
        settings.CuMode = 0;
        settings.CuOption = "PRAHA|CZ510201%";
        settings.WriteDebugLog = true;
        transport.AddReply(kTextPage, FakeReply{200, "<html><body>\r\nOK\r\n</body></html>"});
        transport.AddReply(kListPage, FakeReply{200, ""});
    }

    void Start(bool service = false) {
        StartRuntime();
        ASSERT_EQ(runtime->LoadRegister(), ReceiptRegister::Load::Loaded);
        std::filesystem::create_directories(dir / "Z_CU");
        cycle = std::make_unique<TransferCycle>(*runtime, timer, events);
        if (service) cycle->SetServiceStarted();
        cycle->ArmTimer();
    }

    // Stores changed settings and has the running cycle take them.
    void Reload() {
        SaveSettings(settings, registry);
        cycle->ReloadSettings();
    }

    // A file for the next send pass, written well before the clock's time.
    void Drop() {
        const fs::path file = dir / "Na_CU" / "praha_05.txt";
        test::WriteFileBytes(file, "AB\r\n");
        fs::last_write_time(file, std::chrono::file_clock::from_sys(clock.Now() - std::chrono::hours(1)));
    }

    std::string Debug() const { return test::ReadFileBytes(dir / "Debug.log"); }
    std::size_t Requests(std::string_view page) const {
        std::size_t count = 0;
        for (const auto& sent : transport.sent()) count += sent.page == page;
        return count;
    }
    std::size_t Activity() const { return runtime->model().activity().size(); }

    // What one tick did: "." no pass, "F" a full pass, "R" a pass without the
    // folder scan; then the interval it left, in seconds.
    std::string Tick() {
        const std::size_t entries = Activity();
        const std::size_t scans = TraceCount(Debug(), 'B', 7);
        cycle->TimerApp_Timer();
        EXPECT_TRUE(timer.Enabled());
        const char* what = Activity() == entries ? "." : TraceCount(Debug(), 'B', 7) > scans ? "F" : "R";
        return what + std::to_string(timer.Interval().count() / 1000);
    }

    ManualCycleTimer timer;
    test::RecordingEventLog events;
    std::unique_ptr<TransferCycle> cycle;
};

struct RhythmCase {
    const char* name;
    bool OnLineMode;
    std::int16_t TimeInterval;
    // t: a tick; u: a file dropped into the outbound folder; s: the manual
    // send; c: the settings changed by `change` and reloaded.
    const char* script;
    long armed;        // interval after start-up, in seconds
    const char* ticks; // what each tick did (see Cycle::Tick), separated by blanks
    int hangUps;       // of the dial-up line, by the timer
    void (*change)(Settings&) = nullptr;
};
void PrintTo(const RhythmCase& c, std::ostream* os) {
    *os << c.name;
}

class CycleRhythm : public Cycle, public ::testing::WithParamInterface<RhythmCase> {};

TEST_P(CycleRhythm, TicksFollowTheModeTheSettingsAndTheUploads) {
    const RhythmCase& c = GetParam();
    settings.OnLineMode = c.OnLineMode;
    settings.TimeInterval = c.TimeInterval;
    Start();
    EXPECT_EQ(timer.Interval().count(), c.armed * 1000);
    std::string ticks;
    for (const char step : std::string_view(c.script)) {
        switch (step) {
        case 't': ticks += (ticks.empty() ? "" : " ") + Tick(); break;
        case 'u': Drop(); break;
        case 's': cycle->mnuPopSend_Click(); break;
        case 'c':
            c.change(settings);
            Reload();
            break;
        }
    }
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(gate->hangUps, c.hangUps);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CycleRhythm,
    ::testing::Values(
        RhythmCase{"MinuteCountingToFive", false, 5, "ttttt", 60, ".60 .60 .60 .60 F60", 1},
        // The pass that uploads is the first of the polls: five ticks 30 s apart follow.
        RhythmCase{"FivePollsAfterATimerUpload", false, 1, "uttttttt", 60, "F30 R30 R30 R30 R30 R60 F60", 2},
        // The manual send has no rhythm step: six polls, then minute counting resumes.
        RhythmCase{"SixPollsAfterAManualSend", false, 5, "ustttttttt", 60, "R30 R30 R30 R30 R30 R60 .60 .60", 1},
        RhythmCase{"ManualSendDuringPollingStartsSixMore", false, 1, "uttusttttttt", 60,
                   "F30 R30 R30 R30 R30 R30 R30 R60 F60", 2},
        RhythmCase{"IdlePollsAfterAManualSendAndIdlesAgain", false, 0, "ustttttt", 0, "R30 R30 R30 R30 R30 R0", 1},
        RhythmCase{"OnLineModeNeverPolls", true, 5, "uttust", 20, "F20 F20 F20", 0},
        // Settings changed between ticks act through the same rules.
        RhythmCase{"LoweredTimeIntervalActsAtOnce", false, 5, "ttct", 60, ".60 .60 F60", 1,
                   [](Settings& s) { s.TimeInterval = 2; }},
        RhythmCase{"OnLineSwitchedOffReturnsToMinutes", true, 3, "tctttt", 20, "F20 F60 .60 .60 F60", 2,
                   [](Settings& s) { s.OnLineMode = false; }}),
    [](const auto& info) { return std::string(info.param.name); });

// The notice repeats on every pass while the register holds the file; the
// manual commands do not send it.
TEST_F(Cycle, EveryTickMailsTheOverdueReceipts) {
    test::WriteFileBytes(dir / "Zumaset.sav", "abc.dok#/x/#CZ510000#6.12.2026 9:30:00\r\n");
    settings.TimeInterval = 1;
    Start();
    cycle->mnuPopSend_Click();
    cycle->mnuPopGet_Click();
    EXPECT_TRUE(mail.notices.empty());
    EXPECT_EQ(Tick(), "F60");
    EXPECT_EQ(Tick(), "F60");
    ASSERT_EQ(mail.notices.size(), 2u);
    EXPECT_EQ(mail.notices[1].kind, NoticeKind::MissingReceipt);
}

// NoGetConnect: the receive pass fetches only after an upload, and keeps
// fetching through the receipt polling that follows it.
TEST_F(Cycle, NoGetConnectFetchesOnlyAfterAnUploadUntilPollingEnds) {
    settings.NoGetConnect = true;
    settings.TimeInterval = 1;
    Start();
    EXPECT_EQ(Tick(), "F60");
    EXPECT_EQ(Requests(kListPage), 0u);
    Drop();
    std::string ticks;
    for (int tick = 0; tick < 6; ++tick) ticks += Tick() + " ";
    EXPECT_EQ(ticks, "F30 R30 R30 R30 R30 R60 ");
    EXPECT_EQ(Requests(kListPage), 6u);
    EXPECT_EQ(Tick(), "F60");
    EXPECT_EQ(Requests(kListPage), 6u);
}

TEST_F(Cycle, TheActivityListIsCutAt501ByATickButNotByTheManualCommands) {
    settings.TimeInterval = 1;
    Start();
    for (int i = 0; i < 497; ++i) runtime->model().AddActivity("x");
    cycle->mnuPopSend_Click();
    cycle->mnuPopGet_Click();
    EXPECT_EQ(Activity(), 501u);
    EXPECT_EQ(Tick(), "F60");
    EXPECT_EQ(Activity(), 500u);
}

// The manual receive asks both servers whatever NoGetConnect says, drops a
// dial-up line after it, and is no tick of the rhythm.
TEST_F(Cycle, TheManualReceiveAsksEachServerAndDropsADialUpLine) {
    settings.RASMode = true;
    settings.NoGetConnect = true;
    settings.ServerXml = "xml.example";
    settings.TimeInterval = 5;
    Start();
    EXPECT_EQ(cycle->mnuPopGet_Click().status, PassOutcome::Status::Ran);
    EXPECT_EQ(Requests(kListPage), 2u);
    EXPECT_EQ(gate->hangUps, 1);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(cycle->minuteTicks(), 0);
}

// A manual step that fails without reporting it is reported, and the steps
// after it still run (here: the session is opened again after the dialog).
TEST_F(Cycle, AManualStepThatFailsIsReportedAndTheNextStepsRun) {
    Start();
    cycle->mnuPopConfig_Click([] { throw std::runtime_error("dialog gone"); });
    EXPECT_NE(test::ReadFileBytes(dir / "Error.log").find("[1] *** dialog gone"), std::string::npos);
    EXPECT_EQ(cycle->mnuPopGet_Click().status, PassOutcome::Status::Ran);
    EXPECT_EQ(Requests(kListPage), 1u);
}

struct TickErrorCase {
    const char* name;
    bool service;
};
void PrintTo(const TickErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class CycleTickError : public Cycle, public ::testing::WithParamInterface<TickErrorCase> {};

// A session-log folder that is there but cannot be listed fails the deletion
// of old logs at the end of the tick.
TEST_P(CycleTickError, IsReportedAndLeavesTheTimerEnabled) {
    settings.TimeInterval = 1;
    settings.DeleteLogFiles = true;
    settings.ShowErrMessage = true;
    Start(GetParam().service);
    test::WriteFileBytes(dir / "not_a_folder", "x");
    runtime->settings().LogsPath = (dir / "not_a_folder").string() + "/";
    const long interval = timer.Interval().count();

    cycle->TimerApp_Timer();

    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval().count(), interval);
    const std::string description = SystemErrorText(3) + "  \"" + runtime->settings().LogsPath + "\"";
    const std::string errors = test::ReadFileBytes(dir / "Error.log");
    if (GetParam().service) {
        ASSERT_EQ(events.entries.size(), 1u);
        EXPECT_EQ(events.entries[0].type, EventType::Error);
        EXPECT_EQ(events.entries[0].id, 109);
        EXPECT_EQ(events.entries[0].text, "[3] " + description);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(errors.find("[3] ***"), std::string::npos);
    } else {
        EXPECT_TRUE(events.entries.empty());
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(errors.find("[3] *** " + description), std::string::npos) << errors;
    }
    // The cycle goes on.
    runtime->settings().LogsPath = dir.path().string() + "/";
    EXPECT_EQ(Tick(), GetParam().service ? "F20" : "F60");
}

INSTANTIATE_TEST_SUITE_P(Modes, CycleTickError,
                         ::testing::Values(TickErrorCase{"Desktop", false}, TickErrorCase{"Service", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Another client over the same outbound folder: the tick skips its pass and
// says so once, not on every tick.
TEST_F(Cycle, ATickWhosePassIsRefusedSaysSoOnceAndTheNextFreeTickRuns) {
    settings.TimeInterval = 1;
    Start();
    {
        const FolderLock held(dir / "Na_CU");
        EXPECT_EQ(Tick(), ".60");
        EXPECT_EQ(Tick(), ".60");
        EXPECT_EQ(cycle->mnuPopSend_Click().status, PassOutcome::Status::FolderBusy);
    }
    const std::string errors = test::ReadFileBytes(dir / "Error.log");
    const std::string line = "[99999] *** Průchod časovače vynechán, nad odchozí složkou právě běží jiný přenos  \"" +
                             settings.SourcePath + "\"";
    EXPECT_NE(errors.find(line), std::string::npos) << errors;
    EXPECT_EQ(errors.find(line), errors.rfind(line));
    EXPECT_EQ(Tick(), "F60");
}

TEST_F(Cycle, APauseDuringAPassHoldsUntilContinue) {
    settings.TimeInterval = 1;
    Start();
    bool pausedInPass = false;
    runtime->model().SetObserver([&](ClientModel::Change) {
        if (pausedInPass) return;
        pausedInPass = true;
        cycle->Pause();
    });
    cycle->TimerApp_Timer();
    ASSERT_TRUE(pausedInPass);
    EXPECT_TRUE(cycle->paused());
    EXPECT_FALSE(timer.Enabled());

    // A tick that was on its way when the pause came does nothing.
    const std::size_t entries = Activity();
    cycle->TimerApp_Timer();
    EXPECT_EQ(Activity(), entries);

    cycle->Continue();
    EXPECT_TRUE(timer.Enabled());
}

} // namespace
} // namespace zumaset
