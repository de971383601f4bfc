// Whole passes through the command line against the simulator, as an
// administrator or a cron job runs them.
#include "shell/pass_lock.h"

#include "ctl_live_fixture.h"
#include "fake_nmcli.h"
#include "smtp_server_process.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace zumaset {
namespace {

class CtlPass : public test::CtlLiveTest {
protected:
    CtlPass() : CtlLiveTest({"--receipt-delay", "0"}) {
        TrustVansim();
        vansim.AddAccount("DEKL01", "heslo");
        for (const char* folder : {"Na_CU/Praha", "Z_CU", "Archiv"}) std::filesystem::create_directories(dir / folder);
        EXPECT_EQ(ctl.Set({{"User", "DEKL01"},
                           {"Pass", "heslo"},
                           {"ServerTxt", vansim.host()},
                           {"ServerXml", vansim.host()},
                           {"SourcePath", (dir / "Na_CU").string()},
                           {"RetValPath", (dir / "Z_CU").string()},
                           {"ArchivPath", (dir / "Archiv").string()},
                           {"CuOption", "PRAHA|CZ510000%ALL_FILES|CZ530000%"},
                           {"ArchiveFiles", "true"}}),
                  0)
            << err.str();
    }

    // Writes a file to send, dated a minute back: a file written just now
    // counts as still being written and would wait for a later pass.
    static void WriteOutbound(const std::filesystem::path& file, const std::string& bytes) {
        test::WriteFileBytes(file, bytes);
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    }
};

// Cycles through a server that fails now and then, both ways: every file
// reaches the server whole and is archived, every receipt lands once, whole,
// in the folder its file came from, and a quiet cycle then prints nothing.
TEST_F(CtlPass, CyclesThroughServerFaultsLoseAndDoubleNothing) {
    // Both kinds go in several chunks; the first VAS file's second chunk is
    // refused once, so its next try must start afresh.
    std::string vas = "HLAVICKA\r\n";
    while (vas.size() < 100'000) vas += "RADEK " + std::to_string(vas.size()) + "\r\n";
    std::string xml = "<zprava>";
    while (xml.size() < 120'000) xml += "<radek>" + std::to_string(xml.size()) + "</radek>";
    xml += "</zprava>";
    WriteOutbound(dir / "Na_CU" / "Praha" / "PRAHA001.VAS", vas);
    WriteOutbound(dir / "Na_CU" / "Praha" / "PRAHA002.VAS", vas);
    WriteOutbound(dir / "Na_CU" / "zprava01.xml", xml);
    WriteOutbound(dir / "Na_CU" / "prazdny.txt", ""); // never handed on
    vansim.AddFaultRule("upload_prg.asp wrong-crc file=PRAHA001.VAS chunk=2 times=1");
    vansim.AddFaultRule("upload_prov.asp drop-middle times=1");
    vansim.AddFaultRule("download_down.asp drop-middle times=1");
    vansim.AddFaultRule("download_move.asp drop times=1");

    EXPECT_EQ(Run({"cycle"}), 1) << err.str(); // cron hears of the files that did not go
    bool quiet = false;
    for (int i = 0; i < 5 && !quiet; ++i) {
        ASSERT_LE(Run({"cycle"}), 1) << err.str();
        quiet = out.str().find("files sent: 0") != std::string::npos &&
                out.str().find("files received: 0") != std::string::npos;
    }
    ASSERT_TRUE(quiet) << out.str();
    // The refused file went again from its first chunk.
    const std::string requests = vansim.RequestLog();
    const std::string firstChunk = "PRAHA001.VAS\tOK (chunk 1/4)";
    EXPECT_NE(requests.find(firstChunk), requests.rfind(firstChunk)) << requests;

    EXPECT_TRUE(std::filesystem::exists(dir / "Na_CU" / "prazdny.txt"));
    for (const std::string name : {"PRAHA001.VAS", "PRAHA002.VAS"}) {
        EXPECT_EQ(test::ReadFileBytes(vansim.ReceivedFile("DEKL01\\CZ510000\\" + name)), vas) << name;
        EXPECT_EQ(test::ReadFileBytes(dir / "Archiv" / "Praha" / name), vas) << name;
    }
    EXPECT_EQ(test::ReadFileBytes(vansim.ReceivedFile("DEKL01\\zprava01.xml")), xml);
    std::vector<std::string> inbound;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "Z_CU")) {
        if (!entry.is_regular_file()) continue;
        const auto relative = std::filesystem::relative(entry.path(), dir / "Z_CU");
        inbound.push_back(relative.string());
        const std::string office = relative.has_parent_path() ? "CZ510000\\" : "";
        EXPECT_EQ(test::ReadFileBytes(entry.path()),
                  test::ReadFileBytes(vansim.DeliveredFile("DEKL01\\" + office + relative.filename().string())))
            << relative;
    }
    std::sort(inbound.begin(), inbound.end());
    EXPECT_EQ(inbound, (std::vector<std::string>{"Praha/PRAHA001.POT", "Praha/PRAHA002.POT", "zprava01_POT.xml"}));

    ASSERT_EQ(Run({"cycle", "--quiet"}), 0);
    EXPECT_EQ(out.str() + err.str(), "");
}

// A fetch that takes longer than a second shows its progress line on a
// terminal; the line is cleared when the file is in.
TEST_F(CtlPass, ASlowFetchShowsItsProgressOnATerminal) {
    vansim.AddWaitingFile("DEKL01\\CZ510000\\POMALY.POT", std::string(300, 'p'));
    vansim.AddFaultRule("download_down.asp drip 5 file=POMALY.POT");
    ASSERT_EQ(ctl.Run({"receive"}, "", true), 0) << err.str();
    EXPECT_NE(err.str().find("fetching POMALY.POT  100%"), std::string::npos) << err.str();
    EXPECT_EQ(test::ReadFileBytes(dir / "Z_CU" / "POMALY.POT"), std::string(300, 'p'));
}

// The pass runs to its end, but cron must hear that a file did not go, and
// why, even with -q; the failure is also mailed when the settings ask for it.
TEST_F(CtlPass, AFailedUploadLeavesTheFileExitsOneAndIsMailed) {
    std::filesystem::create_directories(dir / "smtp");
    test::SmtpServerProcess smtp(dir / "smtp");
    ASSERT_EQ(ctl.Set({{"Pass", "spatne"},
                       {"UseMAPI", "true"},
                       {"MAPIErrorMessage", "true"},
                       {"MailServer", smtp.url()},
                       {"MailFrom", "zumaset@deklarant.example"},
                       {"SendTo", "spravce@deklarant.example"}}),
              0)
        << err.str();
    WriteOutbound(dir / "Na_CU" / "Praha" / "PRAHA002.VAS", "X");
    EXPECT_EQ(Run({"-q", "send"}), 1) << err.str();
    EXPECT_TRUE(std::filesystem::exists(dir / "Na_CU" / "Praha" / "PRAHA002.VAS"));
    EXPECT_NE(err.str().find("[909]"), std::string::npos) << err.str();
    const auto messages = smtp.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].body.find("Zkontrolujte uživatelské jméno a heslo."), std::string::npos) << messages[0].body;
}

// A pass holds its outbound folder and shares every folder above it: another
// settings file naming the same folder (here through a link) or one nested in
// it is refused, whichever starts first; a sibling folder is not held up.
TEST_F(CtlPass, PassesOverTheSameOrNestedOutboundFoldersAreRefused) {
    WriteOutbound(dir / "Na_CU" / "Praha" / "PRAHA004.VAS", "X");
    std::filesystem::create_directory_symlink(dir / "Na_CU", dir / "alias");
    test::CtlRunner inner{dir / "inner.reg"};
    ASSERT_EQ(inner.Set({{"User", "DEKL01"},
                         {"Pass", "heslo"},
                         {"ServerTxt", vansim.host()},
                         {"SourcePath", (dir / "alias" / "." / "Praha").string()},
                         {"LogsPath", (dir / "Logy2").string()},
                         {"ErrLogPath", (dir / "Logy2").string()},
                         {"CuOption", "PRAHA|CZ510000%ALL_FILES|CZ530000%"}}),
              0)
        << inner.err.str();
    {
        const FolderLock outerRunning(dir / "Na_CU");
        ASSERT_EQ(outerRunning.state(), FolderLock::State::Held);
        EXPECT_EQ(inner.Run({"send"}), 3);
        EXPECT_NE(inner.err.str().find("a transfer pass is already running"), std::string::npos) << inner.err.str();
    }
    {
        const FolderLock innerRunning(dir / "Na_CU" / "Praha");
        ASSERT_EQ(innerRunning.state(), FolderLock::State::Held);
        EXPECT_EQ(Run({"send"}), 3);
        std::filesystem::create_directory(dir / "Na_CU" / "Brno");
        EXPECT_EQ(FolderLock(dir / "Na_CU" / "Brno").state(), FolderLock::State::Held);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "Na_CU" / "Praha" / "PRAHA004.VAS"));
    ASSERT_EQ(inner.Run({"send"}), 0) << inner.err.str();
    EXPECT_NE(inner.out.str().find("files sent: 1"), std::string::npos) << inner.out.str();
}

// A register file that cannot be used (here a FIFO) stops the pass before
// anything is sent: the replies would otherwise land in the inbound root.
TEST_F(CtlPass, ARefusedRegisterStopsThePassBeforeAnyTransfer) {
    WriteOutbound(dir / "Na_CU" / "Praha" / "PRAHA006.VAS", "X");
    ASSERT_EQ(::mkfifo((dir / "Logy" / "Zumaset.sav").c_str(), 0600), 0);
    for (const char* command : {"send", "receive", "cycle"}) {
        EXPECT_EQ(Run({command}), 3) << command;
        EXPECT_NE(err.str().find("cannot be used (see the error log); nothing was sent or received"), std::string::npos)
            << err.str();
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "Na_CU" / "Praha" / "PRAHA006.VAS"));
    EXPECT_FALSE(std::filesystem::exists(vansim.ReceivedFile("DEKL01\\CZ510000\\PRAHA006.VAS")));
}

// zumasetctl has no timer to drop the line later: a pass brings up the
// dial-up line it needs and brings it down when it ends.
TEST_F(CtlPass, ADialUpPassHangsUpTheLineItDialled) {
    test::FakeNmcli nmcli;
    nmcli.Answer("up", 0, "Connection successfully activated (D-Bus active path: /nm/ActiveConnection/3)\n");
    nmcli.Then("up", "Modem:gsm:activated\n");
    nmcli.Then("down", "");
    ASSERT_EQ(ctl.Set({{"RASMode", "true"}, {"RASName", "Modem"}}), 0);
    WriteOutbound(dir / "Na_CU" / "Praha" / "PRAHA004.VAS", "X");
    EXPECT_EQ(Run({"cycle"}), 0) << err.str();
    std::string line;
    for (const auto& call : nmcli.Calls()) {
        if (call.find(" up id Modem") != std::string::npos) line += 'u';
        if (call.find(" down apath /nm/ActiveConnection/3") != std::string::npos) line += 'd';
    }
    EXPECT_EQ(line, "ud");
    EXPECT_NE(out.str().find("files sent: 1"), std::string::npos) << out.str();
}

} // namespace
} // namespace zumaset
