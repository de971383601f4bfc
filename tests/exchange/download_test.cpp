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
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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
        if (receiveTimeout) session.SetReceiveTimeout(*receiveTimeout);
        DownloadContext context{
            session, settings, logs, reporter, view, sent, dialUp, mail, (dir / "data").string() + "/", &progress};
        GetRemoteFile(context, server);
    }

    fs::path Inbound(const std::string& relative) const { return fs::path(settings.RetValPath) / relative; }

    ClientModel view;
    ReceiptRegister sent;
    test::CountingDialUpGate dialUp;
    test::RecordingTransferProgress progress;
    std::optional<std::chrono::milliseconds> receiveTimeout;
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
    EXPECT_TRUE(test::TraceHas(Log("Debug.log"), 'I', 58));
    EXPECT_EQ(vansim.RequestLog().find("download_down"), std::string::npos);
    EXPECT_EQ(view.getCount(), 0);

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
    const std::string debug = Log("Debug.log");
    EXPECT_TRUE(test::TraceHas(debug, 'I', 54, {"ABC.POT"}));
    EXPECT_TRUE(test::TraceHas(debug, 'I', 56, {"200"}));
    using P = test::RecordingTransferProgress;
    constexpr auto kReceiving = TransferState::Direction::Receiving;
    // The size is known once the reply announces it.
    EXPECT_EQ(progress.events, (std::vector<P::Event>{P::Progress(kReceiving, "ABC.POT", 0, 0),
                                                      P::Progress(kReceiving, "ABC.POT", 0, 5000),
                                                      P::Progress(kReceiving, "ABC.POT", 5000, 5000), P::End()}));
}

// A reply to a registered file mirrors its folder; XML files follow their server directory.
TEST_F(LiveReceivePass, FilesArePlacedByTheRegisterOrTheirDirectory) {
    sent.Add("ABC12345.DOK", settings.SourcePath + "sub1/deep/", "CZ510201", clock.Now());
    vansim.AddWaitingFile("DEKL01\\CZ510201\\ABC12345.POT", "receipt");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\OTHER.POT", "unrelated");
    vansim.AddWaitingFile("DEKL01\\TOP.xml", "<a/>");
    vansim.AddWaitingFile("DEKL01\\sub\\inner\\LOW.XML", "<b/>");
    RunPass();
    EXPECT_EQ(test::ReadFileBytes(Inbound("sub1/deep/ABC12345.POT")), "receipt");
    EXPECT_EQ(FilesBelow(settings.RetValPath),
              (std::vector<std::string>{"OTHER.POT", "TOP.xml", "sub/inner/LOW.XML", "sub1/deep/ABC12345.POT"}));
}

TEST_F(LiveReceivePass, AnInformationFileGoesToTheDataFolderWithANotice) {
    vansim.AddWaitingFile("DEKL01\\CZ510201\\NEWS.rlk", "news");
    RunPass();
    EXPECT_EQ(test::ReadFileBytes(dir / "data" / "NEWS.rlk"), "news");
    EXPECT_TRUE(FilesBelow(settings.RetValPath).empty());
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
    EXPECT_EQ(Count(Log("Relational.log"), "soubor nebyl stažen"), 2u);
    EXPECT_TRUE(Waiting("DEKL01\\VERYLONGNAME_0001.xml"));
    EXPECT_EQ(FilesBelow(settings.RetValPath), std::vector<std::string>{"GOOD.xml"});
    EXPECT_EQ(mail.notices.size(), 2u);
}

TEST_F(LiveReceivePass, AFetchThatTimesOutIsReportedOnceAndTheOthersAreFetched) {
    receiveTimeout = std::chrono::milliseconds(300);
    vansim.AddFaultRule("download_down.asp stall-middle 5 file=B.TXT");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\A.TXT", "first");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\B.TXT", std::string(20000, 'b'));
    vansim.AddWaitingFile("DEKL01\\CZ510201\\C.TXT", "third");
    RunPass();
    const std::string errors = Log("Error.log");
    EXPECT_EQ(Count(errors, "] *** "), 1u) << errors;
    EXPECT_NE(errors.find("[12002] *** Operace přerušena - vypršel časový limit"), std::string::npos);
    // Nothing of the cut-short file is left, not even its temporary file.
    EXPECT_EQ(FilesBelow(settings.RetValPath), (std::vector<std::string>{"A.TXT", "C.TXT"}));
    EXPECT_TRUE(Waiting("DEKL01\\CZ510201\\B.TXT"));
    EXPECT_TRUE(Delivered("DEKL01\\CZ510201\\C.TXT"));
}

TEST_F(LiveReceivePass, AListRequestThatGetsNoReplyIsReportedWithLibcurlsOwnWords) {
    vansim.AddFaultRule("download_list.asp drop");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\A.TXT", "first");
    RunPass();
    const std::string errors = Log("Error.log");
    EXPECT_EQ(Count(errors, "] *** "), 1u) << errors;
    EXPECT_NE(errors.find("  -  [121"), std::string::npos) << errors;
    // The Czech description, then what libcurl said in brackets.
    EXPECT_NE(errors.find(". ("), std::string::npos) << errors;
    EXPECT_EQ(Count(Log("Relational.log"), "Soubor nebyl odeslán"), 1u);
    EXPECT_TRUE(Waiting("DEKL01\\CZ510201\\A.TXT"));
}

TEST_F(LiveReceivePass, AMissingFileIsReportedAndNotStoredEmpty) {
    vansim.AddFaultRule("download_down.asp status 404 file=A.TXT");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\A.TXT", "first");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\B.TXT", "second");
    RunPass();
    EXPECT_NE(Log("Error.log").find("[404] *** "), std::string::npos);
    EXPECT_EQ(FilesBelow(settings.RetValPath), std::vector<std::string>{"B.TXT"});
    EXPECT_TRUE(Waiting("DEKL01\\CZ510201\\A.TXT"));
    // The missing file ends without bytes; the next one goes through.
    using P = test::RecordingTransferProgress;
    constexpr auto kReceiving = TransferState::Direction::Receiving;
    EXPECT_EQ(progress.events,
              (std::vector<P::Event>{P::Progress(kReceiving, "A.TXT", 0, 0), P::End(),
                                     P::Progress(kReceiving, "B.TXT", 0, 0), P::Progress(kReceiving, "B.TXT", 0, 6),
                                     P::Progress(kReceiving, "B.TXT", 6, 6), P::End()}));
}

// A name too long for the disk, a file where a folder belongs and a folder
// where the file belongs: each is reported, and the next file is fetched.
TEST_F(LiveReceivePass, ANameTheDiskRefusesIsReportedAndTheNextFileIsFetched) {
    const std::string longName = std::string(300, 'L') + ".POT";
    vansim.SetSetting("list_entry", "DEKL01\\CZ510201\\" + longName);
    sent.Add("BLOCKED.DOK", settings.SourcePath + "sub/", "CZ510201", clock.Now());
    fs::create_directories(settings.RetValPath);
    test::WriteFileBytes(Inbound("sub"), "a file where the folder belongs");
    fs::create_directories(Inbound("FOLDER.POT"));
    vansim.AddWaitingFile("DEKL01\\CZ510201\\BLOCKED.POT", "blocked");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\FOLDER.POT", "folder");
    vansim.AddWaitingFile("DEKL01\\CZ510201\\OK.POT", "ok");
    RunPass();
    EXPECT_EQ(FilesBelow(settings.RetValPath), (std::vector<std::string>{"OK.POT", "sub"}));
    EXPECT_EQ(test::ReadFileBytes(Inbound("OK.POT")), "ok");
    EXPECT_TRUE(Delivered("DEKL01\\CZ510201\\OK.POT"));
    EXPECT_TRUE(Waiting("DEKL01\\CZ510201\\BLOCKED.POT"));
    EXPECT_TRUE(Waiting("DEKL01\\CZ510201\\FOLDER.POT"));
    EXPECT_EQ(test::ReadFileBytes(Inbound("sub")), "a file where the folder belongs");
    const std::string errors = Log("Error.log");
    for (const int error : {ENOTDIR, EISDIR, ENAMETOOLONG}) {
        EXPECT_NE(errors.find("[" + std::to_string(error) + "] *** Přijatý soubor nelze uložit"), std::string::npos)
            << errors;
    }
    EXPECT_EQ(Count(Log("Relational.log"), "soubor nebyl stažen"), 3u);
    EXPECT_EQ(mail.notices.size(), 3u);
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

// The ways a disk makes a folder refuse a file: while it is written (the
// process may write no more) or when it is created (no right to write there).
// A full disk, a read-only disk and an immutable folder fail the same two
// ways, with their own error numbers, which the error-number tests pin.
enum class StorageFault { FileTooBig, NoWriteRight };

// The largest file the process may write while a FileTooBig fault is in place.
constexpr rlim_t kFileSizeLimit = 128 * 1024;

struct StorageFaultCase {
    const char* label;
    StorageFault fault;
    int error;              // the errno value the report carries
    bool smallInSameFolder; // the small file is routed into the refusing folder too
    bool blockedIsFetched;  // the refusal shows only while the file is written
};

void PrintTo(const StorageFaultCase& row, std::ostream* os) {
    *os << row.label;
}

// Raises or lowers one capability in the calling thread's effective set.
bool SetEffectiveCapability(int capability, bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> data{};
    if (::syscall(SYS_capget, &header, data.data()) != 0) return false;
    auto& word = data[CAP_TO_INDEX(capability)];
    word.effective = on ? word.effective | CAP_TO_MASK(capability) : word.effective & ~CAP_TO_MASK(capability);
    return ::syscall(SYS_capset, &header, data.data()) == 0;
}

// True when a new file can be created in `folder`.
bool AcceptsNewFiles(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

// Makes an existing folder refuse new files one way, and undoes it when
// destroyed; unavailable() says why it could not be done.
class RefusingFolder {
public:
    RefusingFolder(StorageFault fault, fs::path folder) : fault_(fault), folder_(std::move(folder)) {
        if (fault_ == StorageFault::FileTooBig) {
            sizeLimit_.emplace(kFileSizeLimit);
            if (!sizeLimit_->applied()) unavailable_ = std::string("file size limit refused: ") + std::strerror(errno);
            return;
        }
        fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        // Root writes anyway unless it gives up overriding the rights.
        if (AcceptsNewFiles(folder_)) capabilityLowered_ = SetEffectiveCapability(CAP_DAC_OVERRIDE, false);
        if (AcceptsNewFiles(folder_)) unavailable_ = "the folder still accepts new files";
    }
    ~RefusingFolder() {
        if (capabilityLowered_) SetEffectiveCapability(CAP_DAC_OVERRIDE, true);
        if (fault_ == StorageFault::NoWriteRight) fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    }
    RefusingFolder(const RefusingFolder&) = delete;
    RefusingFolder& operator=(const RefusingFolder&) = delete;

    const std::string& unavailable() const { return unavailable_; }

private:
    StorageFault fault_;
    fs::path folder_;
    std::string unavailable_;
    bool capabilityLowered_ = false;
    std::optional<test::FileSizeLimit> sizeLimit_;
};

class LocalStorageFault : public LiveReceivePass, public ::testing::WithParamInterface<StorageFaultCase> {};

// A file this disk cannot take is reported with its path in every pass and
// stays on the server; the file after it is stored and acknowledged.
TEST_P(LocalStorageFault, SkipsTheFileAndStoresTheNextInTheSamePass) {
    const StorageFaultCase& row = GetParam();
    sent.Add("BIG00001.DOK", settings.SourcePath + "sub/", "CZ510201", clock.Now());
    if (row.smallInSameFolder) sent.Add("PRAHA010.DOK", settings.SourcePath + "sub/", "CZ510201", clock.Now());
    vansim.AddWaitingFile("DEKL01\\CZ510201\\BIG00001.POT", std::string(200 * 1024, 'B'));
    vansim.AddWaitingFile("DEKL01\\CZ510201\\PRAHA010.POT", "small");
    fs::create_directories(Inbound("sub"));
    const RefusingFolder refusing(row.fault, Inbound("sub"));
    if (!refusing.unavailable().empty()) GTEST_SKIP() << refusing.unavailable();

    RunPass();
    const std::string small = row.smallInSameFolder ? "sub/PRAHA010.POT" : "PRAHA010.POT";
    EXPECT_EQ(test::ReadFileBytes(Inbound(small)), "small");
    EXPECT_TRUE(Delivered("DEKL01\\CZ510201\\PRAHA010.POT"));
    EXPECT_EQ(vansim.RequestLog().find("BIG00001") != std::string::npos, row.blockedIsFetched);
    RunPass();

    EXPECT_TRUE(Waiting("DEKL01\\CZ510201\\BIG00001.POT"));
    EXPECT_FALSE(Delivered("DEKL01\\CZ510201\\BIG00001.POT"));
    // Nothing of the refused file is left, not even its temporary file.
    EXPECT_EQ(FilesBelow(Inbound("sub")),
              row.smallInSameFolder ? std::vector<std::string>{"PRAHA010.POT"} : std::vector<std::string>{});
    // One report per pass, naming the file's local path.
    const std::string errors = Log("Error.log");
    const std::string line = "[" + std::to_string(row.error) +
                             "] *** Přijatý soubor nelze uložit: " + SystemErrorText(row.error) + "  \"" +
                             Inbound("sub/BIG00001.POT").string() + "\"";
    EXPECT_EQ(Count(errors, line), 2u) << errors;
    EXPECT_EQ(Count(errors, "] *** "), 2u) << errors;
    EXPECT_EQ(Count(Log("Relational.log"), "soubor nebyl stažen"), 2u);
    EXPECT_EQ(mail.notices.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Refusals, LocalStorageFault,
                         ::testing::Values(StorageFaultCase{"FileTooBig", StorageFault::FileTooBig, EFBIG, true, true},
                                           StorageFaultCase{"NoWriteRight", StorageFault::NoWriteRight, EACCES, false,
                                                            false}),
                         [](const auto& info) { return std::string(info.param.label); });

// Replies that never end, drip, end without the TLS end signal or fail: what
// is cut off is reported, not stored and not acknowledged, and the rest of the
// list still comes unless the server failed.
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

class ReceivePassCut : public LiveReceivePass, public ::testing::WithParamInterface<CutCase> {
protected:
    // Short enough for a test; a drip of a byte every 50 ms outlives it.
    ReceivePassCut() { options.limits.deadline = std::chrono::milliseconds(1500); }
};

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
                      CutCase{"LongerThanTheSetting", "download_down.asp endless file=CUT.POT", 2, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", true},
                      CutCase{"WithinTheSetting", "download_down.asp status 200 file=OTHER", 3, true, "", true},
                      CutCase{"OverTheSettingWithALength", "download_down.asp status 200 file=OTHER", 1, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", true},
                      CutCase{"OverTheDefaultWithoutASetting", "download_down.asp status 200 file=OTHER", 0, true, "",
                              true, 9 * 1024 * 1024},
                      CutCase{"Dripping", "download_down.asp drip 50 file=CUT.POT", 0, false,
                              "[12002] *** Operace přerušena - vypršel časový limit", true},
                      CutCase{"ServerErrorEndsThePass", "download_down.asp status 500 file=CUT.POT", 0, false,
                              "[500] *** Chyba ASP pro stažení souboru", false},
                      CutCase{"EndlessList", "download_list.asp endless", 0, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", false}),
    [](const auto& info) { return std::string(info.param.name); });

// A server that lists what it likes.
class HostileServer : public ReceivePassTest {
protected:
    void Serve(const test::FakeReply& list, const test::FakeReply& fetch = {200, "payload"},
               const std::string& server = "server") {
        transport.AddReply("/secure/activex_download/download_list.asp", list);
        transport.AddReply("/secure/activex_download/download_down.asp", fetch);
        transport.AddReply("/secure/activex_download/download_move.asp", {200, "OK"});
        RunPass(transport, server);
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

TEST_F(HostileServer, AHashAloneHoldsNoEntry) {
    Serve("#");
    EXPECT_TRUE(Fetched("download_down.asp").empty());
    EXPECT_NE(Log("Debug.log").find("[Jsou soubory ke stažení]"), std::string::npos);
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
    const char* server = "server";
    const char* user = "DEKL01";
    bool proxyRefuses = false;
    const char* errorLine = "";                                     // the start of the one error-log entry; "" for none
    const char* sessionLine = "";                                   // 910 or 911; "" for neither
    std::vector<std::pair<int, std::vector<std::string>>> traces{}; // I-tag numbers and their values
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
    Serve(path.list, path.fetch, path.server);

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
    for (const auto& [number, values] : path.traces) EXPECT_TRUE(test::TraceHas(debug, 'I', number, values));
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
                    .traces = {{28, {"12002"}}, {59, {}}},
                    .notices = 1},
        FailurePath{.label = "ListStatusOtherThan200Or407IsAnEmptyList",
                    .list = {500, "DEKL01\\CZ510201\\A.TXT#"},
                    .traces = {{20, {"500"}}, {35, {"Nejsou soubory ke stažení"}}, {58, {}}}},
        FailurePath{.label = "ListRequestCannotBeOpened",
                    .list = kTwoFiles,
                    .server = "",
                    .errorLine = "[12005] *** Adresa URL je neplatná.",
                    .sessionLine = "Soubor nebyl odeslán",
                    .traces = {{18, {"0"}}, {34, {}}},
                    .notices = 1},
        FailurePath{.label = "ListSendFails",
                    .list = {0, "", inet_error::kConnectionAborted},
                    .errorLine = "[12030] *** Spojení se serverem bylo přerušeno.",
                    .sessionLine = "Soubor nebyl odeslán",
                    .traces = {{33, {"0"}}},
                    .notices = 1},
        FailurePath{.label = "FetchSendFailsAndEndsThePass",
                    .list = kTwoFiles,
                    .fetch = {0, "", inet_error::kConnectionReset},
                    .errorLine = "[12031] *** Spojení se serverem bylo ukončeno druhou stranou.",
                    .sessionLine = "Soubor nebyl odeslán",
                    .traces = {{37, {}}},
                    .notices = 1,
                    .fetches = 1},
        FailurePath{.label = "ProxyRefusalTakesTheGeneralErrorPathWith407",
                    .list = kTwoFiles,
                    .proxyRefuses = true,
                    .errorLine = "[407] *** Proxy server nepřijal přihlašovací údaje.",
                    .traces = {{25, {"4"}}, {59, {"407  Proxy server nepřijal přihlašovací údaje."}}, {60, {}}}},
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
