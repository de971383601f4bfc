#include "core/registry_document.h"
#include "core/settings_store.h"
#include "core/time_format.h"
#include "shell/client_runtime.h"
#include "shell/pass_lock.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "recording_sinks.h"
#include "runtime_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <vector>

namespace zumaset {
namespace {

class Runtime : public test::RuntimeFixture {
protected:
    ClientRuntime& Start() { return StartRuntime(); }
    PassOutcome::Status Run(PassKind kind) { return runtime->RunPass(kind).status; }
};

TEST_F(Runtime, AFullPassMailsOverdueReceiptsAndAsksEachServerOnce) {
    test::WriteFileBytes(dir / "Zumaset.sav", "abc.dok#/x/#CZ510000#6.12.2026 9:30:00\r\n");
    Start();
    EXPECT_EQ(Run(PassKind::Cycle), PassOutcome::Status::Ran);
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].text, "Po 20 minutách nebyly staženy doručenky k těmto souborům : ABC.DOK  ");
    // ServerXml differs from ServerTxt only by blanks: one list request.
    std::size_t lists = 0;
    for (const auto& sent : transport.sent()) lists += sent.page.find("download_list") != std::string::npos;
    EXPECT_EQ(lists, 1u);
}

TEST_F(Runtime, APassAsksTheCallersDialUpGateAndTellsTheObserver) {
    settings.RASMode = true;
    ClientRuntime& client = Start();
    std::vector<ClientModel::Change> changes;
    client.model().SetObserver([&](ClientModel::Change change) { changes.push_back(change); });
    gate->connects = false;
    EXPECT_EQ(Run(PassKind::Receive), PassOutcome::Status::Ran);
    EXPECT_EQ(gate->calls, 1);
    EXPECT_EQ(changes, (std::vector{ClientModel::Change::Activity, ClientModel::Change::Activity}));
}

// The window and the status request read the file under way from the model.
TEST_F(Runtime, ASentFileIsShownAsUnderWayUntilItEnds) {
    settings.CuOption = "ALL_FILES|CZ510000%";
    const auto file = dir / "Na_CU" / "PRAHA001.VAS";
    test::WriteFileBytes(file, "declaration");
    // Left alone for a minute by the runtime's clock, so it is not still being written.
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::from_sys(clock.Now() - std::chrono::minutes(1)));
    transport.AddReply("/secure/activex_download/upload_prg.asp",
                       test::FakeReply{200, "<html><body>\r\nOK\r\n</body></html>"});
    ClientRuntime& client = Start();
    std::vector<std::optional<TransferState>> seen;
    client.model().SetObserver([&](ClientModel::Change change) {
        if (change == ClientModel::Change::Transfer) seen.push_back(client.model().Snapshot().transfer);
    });
    EXPECT_EQ(Run(PassKind::Send), PassOutcome::Status::Ran);
    EXPECT_EQ(client.model().sendCount(), 1);
    ASSERT_EQ(seen.size(), 3u);
    ASSERT_TRUE(seen[0] && seen[1]);
    EXPECT_EQ(seen[0]->file, "PRAHA001.VAS");
    EXPECT_EQ(seen[1]->done, 11u);
    EXPECT_FALSE(seen[2]);
}

TEST_F(Runtime, APassIsRefusedWhileAnotherHoldsTheSettingsOrTheOutboundFolder) {
    ClientRuntime& client = Start();
    {
        const auto held = TryLockPasses(dir / "registry.reg");
        ASSERT_TRUE(held);
        EXPECT_EQ(Run(PassKind::Send), PassOutcome::Status::SettingsBusy);
    }
    {
        const FolderLock held(dir / "Na_CU");
        EXPECT_EQ(Run(PassKind::Cycle), PassOutcome::Status::FolderBusy);
    }
    EXPECT_TRUE(client.model().activity().empty());
    EXPECT_TRUE(transport.sent().empty());
    EXPECT_EQ(Run(PassKind::Send), PassOutcome::Status::Ran);
}

// The running client loads the register at start-up and holds it until it
// ends, so no other process can run a pass on it meanwhile.
TEST_F(Runtime, TheRegisterLoadedAtStartUpStaysLockedUntilShutDown) {
    test::WriteFileBytes(dir / "Zumaset.sav", "abc.dok#/x/#CZ510000#6.12.2026 9:30:00\r\n");
    ClientRuntime& client = Start();
    ASSERT_EQ(client.LoadRegister(), ReceiptRegister::Load::Loaded);

    ClientRuntime other(PlatformFor(
        [](const Settings&, const FailureReporter&) { return std::make_unique<test::CountingDialUpGate>(); },
        dir / "other.reg", "zumasetctl"));
    other.StartUp();
    EXPECT_EQ(other.LoadRegister(), ReceiptRegister::Load::Busy);
    EXPECT_EQ(other.RunPass(PassKind::Receive).status, PassOutcome::Status::RegisterBusy);
    EXPECT_TRUE(client.ShutDown());
    EXPECT_EQ(other.LoadRegister(), ReceiptRegister::Load::Loaded);
    EXPECT_EQ(other.sentFiles().records().size(), 1u);
    EXPECT_TRUE(other.ShutDown());
}

TEST_F(Runtime, AppliedSettingsAreTakenInPlaceAndReopenTheSession) {
    ClientRuntime& client = Start();
    ASSERT_EQ(transport.sessions().size(), 1u);
    const Settings* record = &client.settings();
    Settings changed = client.settings();
    changed.User = "DEKL02";
    client.ApplySettings(changed);
    EXPECT_EQ(&client.settings(), record);
    EXPECT_EQ(client.settings().User, "DEKL02");
    ASSERT_EQ(transport.sessions().size(), 2u);
    EXPECT_TRUE(transport.sessions()[1].first.ends_with("-User:DEKL02"));
    ASSERT_NE(client.session(), nullptr);
    EXPECT_EQ(&client.session()->settings(), record);
}

// The pass deletes the session logs older than the configured age, not younger ones.
TEST_F(Runtime, AFullPassDeletesLogsOfTheConfiguredAge) {
    settings.DeleteLogFiles = true;
    settings.DeleteDayInt = 2;
    for (const int age : {1, 5}) {
        const auto log = dir / ("age" + std::to_string(age) + "_Relational.log");
        test::WriteFileBytes(log, "x");
        std::filesystem::last_write_time(log,
                                         std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * age));
    }
    clock.Set(std::chrono::system_clock::now()); // the file times above are real ones
    Start();
    EXPECT_EQ(Run(PassKind::Cycle), PassOutcome::Status::Ran);
    EXPECT_TRUE(std::filesystem::exists(dir / "age1_Relational.log"));
    EXPECT_FALSE(std::filesystem::exists(dir / "age5_Relational.log"));
}

} // namespace
} // namespace zumaset
