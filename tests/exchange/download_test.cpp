// The receive pass: list, fetch, placement, storing and acknowledging, against
// the simulator over real TLS, and against a scripted hostile server.
#include "core/client_model.h"
#include "core/inet_error.h"
#include "core/system_error_text.h"
#include "core/upper_case.h"
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"
#include "exchange/download.h"
#include "exchange/pending_file.h"
#include "exchange/received_placement.h"
#include "outbound/receipt_register.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "file_size_limit.h"
#include "recording_transfer_progress.h"
#include "session_fixture.h"
#include "trace_has.h"
#include "vansim_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

// Every file below a folder, as paths relative to it.
std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) files.push_back(fs::relative(item.path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class ReceivePassTest : public test::SessionFixture {
protected:
    ReceivePassTest() : view(clock) {
        settings.Pass = "heslo";
        settings.RetValPath = (dir / "in").string() + "/";
        settings.SourcePath = (dir / "out").string() + "/";
        settings.WriteLogFile = true;
        settings.ViewInfo = true;
        settings.ShowErrMessage = true;
    }

    void RunPass(Transport& transport, const std::string& server) {
        ServerSession session(transport, settings, registry, logs, reporter);
        session.Open();
        DownloadContext context{
            session, settings, logs, reporter, view, sent, dialUp, mail, (dir / "data").string() + "/", &progress};
        GetRemoteFile(context, server);
    }

    fs::path Inbound(const std::string& relative) const { return fs::path(settings.RetValPath) / relative; }

    ClientModel view;
    ReceiptRegister sent;
    test::CountingDialUpGate dialUp;
    test::RecordingTransferProgress progress;
};

class LiveReceivePass : public ReceivePassTest {
protected:
    LiveReceivePass() {
        vansim.AddAccount(settings.User, settings.Pass);
        options.caFolder = dir / "ca";
        fs::create_directories(options.caFolder);
        fs::copy_file(vansim.caPath(), options.caFolder / "vansim.pem");
        options.systemProxy = SystemProxy{};
    }

    // One transport serves every pass of a test; it is made at the first.
    void RunPass() {
        if (!transport) transport = std::make_unique<CurlTransport>(options);
        ReceivePassTest::RunPass(*transport, vansim.host());
    }
    bool Waiting(const std::string& serverPath) const { return fs::exists(vansim.WaitingFile(serverPath)); }
    bool Delivered(const std::string& serverPath) const { return fs::exists(vansim.DeliveredFile(serverPath)); }

    CurlGlobal curl;
    test::VansimProcess vansim;
    CurlTransportOptions options;
    std::unique_ptr<CurlTransport> transport;
};

// An empty list only says there is nothing to fetch; one entry is fetched.
TEST_F(LiveReceivePass, OneEntryIsStoredByteForByteCountedAndAcknowledged) {
    RunPass();
    EXPECT_TRUE(test::TraceHas(Log("Debug.log"), 'I', 35, {"Nejsou soubory ke stažení"}));
    EXPECT_EQ(vansim.RequestLog().find("download_down"), std::string::npos);

    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i % 256); // several reads, every byte value
    vansim.AddWaitingFile("DEKL01\\CZ510201\\ABC.POT", bytes);
    RunPass();

    EXPECT_EQ(test::ReadFileBytes(Inbound("ABC.POT")), bytes);
    EXPECT_EQ(FilesBelow(settings.RetValPath), std::vector<std::string>{"ABC.POT"});
    EXPECT_TRUE(Delivered("DEKL01\\CZ510201\\ABC.POT"));
    EXPECT_EQ(view.getCount(), 1);
    ASSERT_EQ(view.activity().size(), 1u);
    EXPECT_NE(view.activity().front().find(" * Proces   GET - soubor byl úspěšně stažen"), std::string::npos);
    EXPECT_EQ(view.lastBalloon(), "Aplikace přijala nový soubor");
    const std::string session = Log("Relational.log");
    EXPECT_NE(session.find("stahuji soubor    :  \"ABC.POT\""), std::string::npos);
    EXPECT_NE(session.find("soubor byl úspěšně stažen"), std::string::npos);
    using P = test::RecordingTransferProgress;
    constexpr auto kReceiving = TransferState::Direction::Receiving;
    // The size is known once the reply announces it.
    EXPECT_EQ(progress.events, (std::vector<P::Event>{P::Progress(kReceiving, "ABC.POT", 0, 0),
                                                      P::Progress(kReceiving, "ABC.POT", 0, 5000),
                                                      P::Progress(kReceiving, "ABC.POT", 5000, 5000), P::End()}));
}

// A reply to a registered file mirrors its folder, XML files follow their
// server directory and an information file goes to the data folder.
TEST_F(LiveReceivePass, FilesArePlacedByTheRegisterTheirDirectoryOrTheirKind) {
    sent.Add("ABC12345.DOK", settings.SourcePath + "sub1/deep/", "CZ510201", clock.Now());
    vansim.AddWaitingFile("DEKL01\\CZ510201\\ABC12345.POT", "receipt");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\OTHER.POT", "unrelated");
    vansim.AddWaitingFile("DEKL01\\TOP.xml", "<a/>");
    vansim.AddWaitingFile("DEKL01\\sub\\inner\\LOW.XML", "<b/>");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\NEWS.rlk", "news");
    RunPass();
    EXPECT_EQ(test::ReadFileBytes(Inbound("sub1/deep/ABC12345.POT")), "receipt");
    EXPECT_EQ(FilesBelow(settings.RetValPath),
              (std::vector<std::string>{"OTHER.POT", "TOP.xml", "sub/inner/LOW.XML", "sub1/deep/ABC12345.POT"}));
    EXPECT_EQ(test::ReadFileBytes(dir / "data" / "NEWS.rlk"), "news");
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].kind, NoticeKind::Information);
    EXPECT_EQ(mail.notices[0].text,
              "Doručeno Info VAN Operatora : " + ToUpperText((dir / "data").string()) + "/NEWS.RLK");
}

TEST_F(LiveReceivePass, XmlContentNotStartingWithATagIsRefusedInEveryPass) {
    vansim.AddWaitingFile("DEKL01\\VERYLONGNAME_0001.xml", "\xEF\xBB\xBF<a/>");
    vansim.AddWaitingFile("DEKL01\\GOOD.xml", "<a/>");
    RunPass();
    RunPass();
    const std::string errors = Log("Error.log");
    EXPECT_EQ(Count(errors, "[99999] *** V obsahu souboru VERYLONGNAME_0...}.xml je chyba"), 2u) << errors;
    EXPECT_TRUE(Waiting("DEKL01\\VERYLONGNAME_0001.xml"));
    EXPECT_EQ(FilesBelow(settings.RetValPath), std::vector<std::string>{"GOOD.xml"});
}

// What the disk refuses, when the file is created (a name too long, a file
// where a folder belongs, a folder where the file belongs) or while it is
// written (past the process's file size limit), is reported with its path in
// every pass and stays on the server; the next file is stored.
TEST_F(LiveReceivePass, AFileTheDiskRefusesIsReportedAndTheNextFileIsStored) {
    const std::string longName = std::string(300, 'L') + ".POT";
    vansim.SetSetting("list_entry", "DEKL01\\CZ510201\\" + longName);
    sent.Add("BLOCKED.DOK", settings.SourcePath + "sub/", "CZ510201", clock.Now());
    fs::create_directories(settings.RetValPath);
    test::WriteFileBytes(Inbound("sub"), "a file where the folder belongs");
    fs::create_directories(Inbound("FOLDER.POT"));
    vansim.AddWaitingFile("DEKL01\\CZ510201\\BLOCKED.POT", "blocked");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\FOLDER.POT", "folder");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\BIG.POT", std::string(200 * 1024, 'B'));
    vansim.AddWaitingFile("DEKL01\\CZ510201\\OK.POT", "ok");
    {
        const test::FileSizeLimit limit(128 * 1024);
        if (!limit.applied()) GTEST_SKIP() << "file size limit refused";
        RunPass();
        RunPass();
    }
    // Nothing of the refused files is left, not even a temporary file.
    EXPECT_EQ(FilesBelow(settings.RetValPath), (std::vector<std::string>{"OK.POT", "sub"}));
    EXPECT_EQ(test::ReadFileBytes(Inbound("OK.POT")), "ok");
    EXPECT_TRUE(Delivered("DEKL01\\CZ510201\\OK.POT"));
    for (const char* refused : {"BLOCKED.POT", "FOLDER.POT", "BIG.POT"}) {
        EXPECT_TRUE(Waiting(std::string("DEKL01\\CZ510201\\") + refused)) << refused;
    }
    EXPECT_EQ(test::ReadFileBytes(Inbound("sub")), "a file where the folder belongs");
    const std::string errors = Log("Error.log");
    for (const int error : {ENOTDIR, EISDIR, ENAMETOOLONG, EFBIG}) {
        EXPECT_EQ(Count(errors, "[" + std::to_string(error) + "] *** Přijatý soubor nelze uložit"), 2u) << errors;
    }
    EXPECT_NE(errors.find("Přijatý soubor nelze uložit: " + SystemErrorText(EFBIG) + "  \"" +
                          Inbound("BIG.POT").string() + "\""),
              std::string::npos)
        << errors;
    EXPECT_EQ(Count(Log("Relational.log"), "soubor nebyl stažen"), 8u);
    EXPECT_EQ(mail.notices.size(), 8u);
    EXPECT_EQ(vansim.RequestLog().find(longName), std::string::npos); // neither fetched nor acknowledged
}

TEST_F(LiveReceivePass, TemporaryFilesOfAnInterruptedPassAreRemovedAtTheStart) {
    fs::create_directories(Inbound("sub"));
    fs::create_directories(dir / "data");
    const std::vector<fs::path> stale = {Inbound(".zumaset-0123456789ab.part"),
                                         Inbound("sub/.zumaset-ba9876543210.part"),
                                         dir / "data" / ".zumaset-00000000000f.part"};
    const std::vector<fs::path> kept = {Inbound(".zumaset-notours.part"), Inbound("zumaset-0123456789ab.part"),
                                        dir / ".zumaset-0123456789ab.part"};
    for (const auto& path : stale) test::WriteFileBytes(path, "half");
    for (const auto& path : kept) test::WriteFileBytes(path, "keep");
    // One that a pass still writes: it holds its lock and stays.
    PendingFile busy(Inbound("sub/").string(), "BUSY.POT");
    ASSERT_TRUE(busy.IsOpen());
    RunPass();
    for (const auto& path : stale) EXPECT_FALSE(fs::exists(path)) << path;
    for (const auto& path : kept) EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_TRUE(busy.Write("still mine"));
    EXPECT_TRUE(busy.Commit());
    EXPECT_EQ(test::ReadFileBytes(Inbound("sub/BUSY.POT")), "still mine");
}

// Replies that never end, end without the TLS end signal, are missing or
// fail: what is cut off is reported, not stored and not acknowledged, and the
// rest of the list still comes unless the server failed.
struct CutCase {
    const char* name;
    const char* rule;                          // the simulator's fault rule
    std::int32_t maxFileMiB;                   // the MaxFileSize setting
    bool stored;                               // CUT.POT stored and acknowledged
    const char* errorLine;                     // expected in the error log, empty for none
    bool nextFetched;                          // NEXT.POT still comes in the same pass
    std::size_t bytes = 2 * 1024 * 1024 + 100; // the size of CUT.POT
    friend void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }
};

class ReceivePassCut : public LiveReceivePass, public ::testing::WithParamInterface<CutCase> {};

TEST_P(ReceivePassCut, StoresAndAcknowledgesOnlyWholeFiles) {
    const CutCase& c = GetParam();
    constexpr const char* kCut = "DEKL01\\CZ510201\\CUT.POT";
    constexpr const char* kNext = "DEKL01\\CZ510201\\NEXT.POT";
    settings.MaxFileSize = c.maxFileMiB;
    const std::string content(c.bytes, 'c');
    vansim.AddWaitingFile(kCut, content);
    vansim.AddWaitingFile(kNext, "next");
    vansim.AddFaultRule(c.rule);
    RunPass();

    EXPECT_EQ(fs::exists(Inbound("CUT.POT")), c.stored);
    EXPECT_TRUE(!c.stored || test::ReadFileBytes(Inbound("CUT.POT")) == content);
    EXPECT_EQ(Delivered(kCut), c.stored);
    EXPECT_EQ(Waiting(kCut), !c.stored);
    const std::string errors = Log("Error.log");
    if (*c.errorLine != '\0') {
        EXPECT_NE(errors.find(c.errorLine), std::string::npos) << errors;
    } else {
        EXPECT_EQ(errors, "");
    }
    EXPECT_EQ(Delivered(kNext), c.nextFetched);
    // Nothing half-written stays behind in the inbound folder.
    EXPECT_EQ(FilesBelow(settings.RetValPath).size(), (c.stored ? 1u : 0u) + (c.nextFetched ? 1u : 0u));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceivePassCut,
    ::testing::Values(CutCase{"NoLengthWithEndSignal", "download_down.asp no-length file=CUT.POT", 0, true, "", true},
                      CutCase{"NoLengthWithoutEndSignal", "download_down.asp no-length-no-notify file=CUT.POT", 0,
                              false, "[12030] *** Operace přerušena - vypršel časový limit", true},
                      CutCase{"OverTheSetting", "download_down.asp status 200 file=OTHER", 1, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", true},
                      CutCase{"OverTheDefaultWithoutASetting", "download_down.asp status 200 file=OTHER", 0, true, "",
                              true, 9 * 1024 * 1024},
                      CutCase{"Missing", "download_down.asp status 404 file=CUT.POT", 0, false, "[404] *** ", true},
                      CutCase{"ServerErrorEndsThePass", "download_down.asp status 500 file=CUT.POT", 0, false,
                              "[500] *** Chyba ASP pro stažení souboru", false},
                      CutCase{"EndlessList", "download_list.asp endless", 0, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", false}),
    [](const auto& info) { return std::string(info.param.name); });

// A server that lists what it likes.
class HostileServer : public ReceivePassTest {
protected:
    void Serve(const test::FakeReply& list, const test::FakeReply& fetch = {200, "payload"}) {
        transport.AddReply("/secure/activex_download/download_list.asp", list);
        transport.AddReply("/secure/activex_download/download_down.asp", fetch);
        transport.AddReply("/secure/activex_download/download_move.asp", {200, "OK"});
        RunPass(transport, "server");
    }
    void Serve(const std::string& list) { Serve(test::FakeReply{200, list}); }
    std::vector<std::string> Fetched(const std::string& page) const {
        std::vector<std::string> bodies;
        for (const auto& request : transport.sent()) {
            if (request.page == "/secure/activex_download/" + page) bodies.push_back(request.body);
        }
        return bodies;
    }
    test::FakeTransport transport;
};

TEST_F(HostileServer, EntriesThatWouldLeaveTheirFolderAreRefusedAndTheRestGoesOn) {
    Serve("DEKL01\\..\\..\\evil.xml#"
          "DEKL01\\a/..\\..\\evil2.xml#"
          "DEKL01\\sub\\\\gap.xml#"
          "DEKL01\\CZ510201\\..#"
          "DEKL01\\CZ510201\\#"
          "/etc/evil3#"
          "DEKL01\\CZ510201\\bell\x07.txt#"
          "plain.TXT#");
    EXPECT_EQ(Fetched("download_down.asp"), std::vector<std::string>{"Name=plain.TXT&File=plain.TXT&Dir="});
    EXPECT_EQ(Fetched("download_move.asp").size(), 1u);
    EXPECT_EQ(FilesBelow(dir.path() / "in"), std::vector<std::string>{"plain.TXT"});
    EXPECT_FALSE(fs::exists(dir / "evil.xml"));
    const std::string errors = Log("Error.log");
    EXPECT_EQ(Count(errors, "[911] *** Soubor ze serveru odmítnut"), 7u) << errors;
    EXPECT_NE(errors.find("bell\\x07.txt"), std::string::npos);
}

TEST_F(HostileServer, ANameIsSentBackInTheServersOwnEncoding) {
    Serve("DEKL01\\CZ510201\\\xE8\xED\x73lo.TXT#"); // "číslo" in Windows-1250
    EXPECT_EQ(Fetched("download_down.asp"),
              std::vector<std::string>{"Name=\xE8\xED\x73lo.TXT&File=DEKL01\\CZ510201\\\xE8\xED\x73lo.TXT"
                                       "&Dir=DEKL01\\CZ510201\\"});
    EXPECT_EQ(test::ReadFileBytes(Inbound("číslo.TXT")), "payload");
}

// Each way a pass ends early, by the lines it leaves in the logs.
struct FailurePath {
    const char* label;
    test::FakeReply list{};
    test::FakeReply fetch{200, "payload"};
    const char* user = "DEKL01";
    bool proxyRefuses = false;
    const char* errorLine = "";   // the start of the one error-log entry; "" for none
    const char* sessionLine = ""; // 910 or 911; "" for neither
    std::size_t notices = 0;
    std::size_t fetches = 0;
};

void PrintTo(const FailurePath& path, std::ostream* os) {
    *os << path.label;
}

const test::FakeReply kTwoFiles{200, "DEKL01\\CZ510201\\A.TXT#DEKL01\\CZ510201\\B.TXT#"};

class DownloadFailurePath : public HostileServer, public ::testing::WithParamInterface<FailurePath> {};

TEST_P(DownloadFailurePath, LeavesItsOwnLinesAndClosesOnce) {
    const FailurePath& path = GetParam();
    if (path.proxyRefuses) transport.state().proxyCredentials = std::make_pair(std::string("p"), std::string("q"));
    settings.User = path.user;
    Serve(path.list, path.fetch);

    const std::string errors = Log("Error.log");
    if (*path.errorLine == '\0') {
        EXPECT_EQ(Count(errors, "] *** "), 0u) << errors;
    } else {
        EXPECT_EQ(Count(errors, "] *** "), 1u) << errors;
        EXPECT_NE(errors.find(std::string("  -  ") + path.errorLine), std::string::npos) << errors;
    }
    const std::string session = Log("Relational.log");
    for (const char* line : {"Soubor nebyl odeslán", "soubor nebyl stažen"}) {
        EXPECT_EQ(Count(session, line), std::string(path.sessionLine) == line ? 1u : 0u) << line;
    }
    const std::string debug = Log("Debug.log");
    EXPECT_EQ(test::TraceCount(debug, 'J', 1), 1u) << debug;
    EXPECT_EQ(mail.notices.size(), path.notices);
    EXPECT_EQ(Fetched("download_down.asp").size(), path.fetches);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, DownloadFailurePath,
    ::testing::Values(
        FailurePath{.label = "ListTimesOut",
                    .list = {200, "", 0, inet_error::kTimeout},
                    .errorLine = "[12002] *** Operace přerušena - vypršel časový limit",
                    .notices = 1},
        FailurePath{.label = "ListStatusOtherThan200Or407IsAnEmptyList", .list = {500, "DEKL01\\CZ510201\\A.TXT#"}},
        FailurePath{.label = "ListSendFails",
                    .list = {0, "", inet_error::kConnectionAborted},
                    .errorLine = "[12030] *** Spojení se serverem bylo přerušeno.",
                    .sessionLine = "Soubor nebyl odeslán",
                    .notices = 1},
        FailurePath{.label = "FetchSendFailsAndEndsThePass",
                    .list = kTwoFiles,
                    .fetch = {0, "", inet_error::kConnectionReset},
                    .errorLine = "[12031] *** Spojení se serverem bylo ukončeno druhou stranou.",
                    .sessionLine = "Soubor nebyl odeslán",
                    .notices = 1,
                    .fetches = 1},
        FailurePath{.label = "ProxyRefusalTakesTheGeneralErrorPathWith407",
                    .list = kTwoFiles,
                    .proxyRefuses = true,
                    .errorLine = "[407] *** Proxy server nepřijal přihlašovací údaje."},
        FailurePath{
            .label = "UserWithoutWindows1250FormStopsTheList",
            .list = kTwoFiles,
            .user = "用户",
            .errorLine = "[1113] *** Hodnotu nelze odeslat ve znakové sadě Windows-1250.  JmenoDeklaranta \"用户\"",
            .sessionLine = "Soubor nebyl odeslán",
            .notices = 1}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace zumaset
