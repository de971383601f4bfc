#include "core/registry_document.h"
#include "core/settings_store.h"
#include "core/time_format.h"
#include "fake_transport.h"
#include "recording_sinks.h"
#include "shell/client_runtime.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

class Runtime : public ::testing::Test {
protected:
    Runtime() : clock(FromLocalTime(2026, 12, 6, 10, 0, 0)) {
        const std::string folder = dir.path().string() + "/";
        settings.User = "DEKL01";
        settings.ServerTxt = "van.example";
        settings.ServerXml = " van.example ";
        settings.SourcePath = folder + "Na_CU/";
        settings.RetValPath = folder + "Z_CU/";
        settings.LogsPath = folder;
        settings.ErrLogPath = folder;
        settings.ConLogPath = folder;
        std::filesystem::create_directories(dir / "Na_CU");
        std::filesystem::create_directories(dir / "Z_CU");
    }
    ClientRuntime& Start() {
        SaveSettings(settings, registry);
        runtime = std::make_unique<ClientRuntime>(
            ClientRuntime::Platform{registry, clock, boxes, mail, transport, "zumaset"});
        runtime->StartUp();
        return *runtime;
    }

    test::TempDir dir;
    Settings settings;
    FixedClock clock;
    RegDocument registry;
    test::RecordingMessageBoxes boxes;
    test::RecordingMailNotices mail;
    test::FakeTransport transport;
    std::unique_ptr<ClientRuntime> runtime;
};

TEST_F(Runtime, AFullPassMailsOverdueReceiptsAndAsksEachServerOnce) {
    test::WriteFileBytes(dir / "Zumaset.sav", "abc.dok#/x/#CZ510000#6.12.2026 9:30:00\r\n"
                                             "abc.pei#/x/#CZ510000#6.12.2026 9:30:00\r\n"
                                             "old.dok#/x/#CZ510000#3.12.2026 9:30:00\r\n");
    ClientRuntime& client = Start();
    client.FullPass();

    // The three-day-old record expired; the fresh .dok is overdue, the .pei expects no receipt.
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].text, "Po 20 minutách nebyly staženy doručenky k těmto souborům : ABC.DOK  ");
    // ServerXml differs from ServerTxt only by blanks: one list request.
    std::size_t lists = 0;
    for (const auto& sent : transport.sent()) lists += sent.page.find("download_list") != std::string::npos;
    EXPECT_EQ(lists, 1u);
    const auto& activity = client.model().activity();
    ASSERT_EQ(activity.size(), 4u);
    EXPECT_EQ(activity[0], "10:00:00 * Proces SEND - zahájeno.");
    EXPECT_EQ(activity[3], "10:00:00 * Proces   GET - dokončeno.");

    client.ShutDown();
    EXPECT_EQ(test::ReadFileBytes(dir / "Zumaset.sav"), "abc.dok#/x/#CZ510000#6.12.2026 9:30:00\r\n"
                                                       "abc.pei#/x/#CZ510000#6.12.2026 9:30:00\r\n");
}

TEST_F(Runtime, AFullPassDeletesOldLogsWhenAsked) {
    settings.DeleteLogFiles = true;
    settings.DeleteDayInt = 2;
    test::WriteFileBytes(dir / "20261201_Relational.log", "old");
    test::WriteFileBytes(dir / "20261206_Relational.log", "new");
    std::filesystem::last_write_time(dir / "20261201_Relational.log",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 5));
    clock.Set(std::chrono::system_clock::now()); // the file times above are real ones
    ClientRuntime& client = Start();
    client.FullPass();
    EXPECT_FALSE(std::filesystem::exists(dir / "20261201_Relational.log"));
    EXPECT_TRUE(std::filesystem::exists(dir / "20261206_Relational.log"));
}

} // namespace
} // namespace zumaset
