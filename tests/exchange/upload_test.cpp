// SendFile against a scripted transport: the exact requests, the judging of
// every kind of answer, and the failures that must leave the file unsent.
#include "core/charset.h"
#include "core/inet_error.h"
#include "core/message_table.h"
#include "core/system_error_text.h"
#include "core/time_format.h"
#include "core/upper_case.h"
#include "exchange/crc32.h"
#include "exchange/upload.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "recording_cycle_events.h"
#include "recording_sent_files.h"
#include "recording_transfer_progress.h"
#include "session_fixture.h"
#include "trace_has.h"

#include <gtest/gtest.h>
#include <random>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
using test::FakeReply;

constexpr const char* kTextPage = "/secure/activex_download/upload_prg.asp";
constexpr const char* kXmlPage = "/secure/activex_download/upload_prov.asp";
// The checksum of the one-byte XML chunk "41" ('A'), as the server confirms it.
constexpr const char* kCrcOf41 = "-1423056590";

std::string Framed(const std::string& text) {
    return "<html><body>\r\n" + text + "\r\n</body></html>";
}

std::string Field(const std::string& body, const std::string& name) {
    const auto at = body.find("&" + name + "=");
    if (at == std::string::npos) return "<missing>";
    const auto start = at + name.size() + 2;
    return body.substr(start, body.find('&', start) - start);
}

// An outbound folder, the upload's collaborators, and SendFile run through a
// fresh session on a scripted transport.
class Upload : public test::SessionFixture {
protected:
    Upload() {
        source = dir / "Na_CU";
        fs::create_directories(source);
        settings.SourcePath = source.string() + "/";
        settings.ServerTxt = settings.ServerXml = "van.example";
        settings.Pass = "heslo";
        settings.WriteLogFile = true;
    }

    // Writes a file below the outbound folder and gives its folder path (ending with "/").
    std::string Put(const std::string& name, const std::string& bytes, const std::string& sub = "") {
        const fs::path folder = sub.empty() ? source : source / sub;
        fs::create_directories(folder);
        test::WriteFileBytes(folder / name, bytes);
        return folder.string() + "/";
    }

    bool Send(Transport& transport, const std::string& folder, const std::string& name, const std::string& cuCode,
              const std::string& sendAs, FileIdentity* readIdentity = nullptr,
              const std::optional<FileNode>& expected = std::nullopt) {
        ServerSession session(transport, settings, registry, logs, reporter);
        session.Open();
        const UploadContext context{session, settings, logs, reporter, cycle, sent, gate, clock, &progress};
        return SendFile(context, folder, name, cuCode, sendAs, expected, readIdentity);
    }

    fs::path source;
    test::RecordingCycleEvents cycle;
    test::RecordingSentFiles sent;
    test::CountingDialUpGate gate;
    test::RecordingTransferProgress progress;
    test::FakeTransport transport;
};

TEST_F(Upload, AOneChunkTextFileGoesAsOneExactForm) {
    const std::string folder = Put("decl.dok", "AB\r\n");
    fs::last_write_time(source / "decl.dok", std::chrono::file_clock::from_sys(FromLocalTime(2010, 5, 4, 13, 2, 9)));
    transport.AddReply(kTextPage, FakeReply{200, Framed("OK")});
    settings.NoGetConnect = true;

    FileIdentity read;
    const FileNode found = IdentityOfPath(source / "decl.dok")->node();
    ASSERT_TRUE(Send(transport, folder, "decl.dok", "CZ510201", "DECL.DOK", &read, found));
    EXPECT_EQ(read, IdentityOfPath(source / "decl.dok")); // the version sent, for the archive step

    ASSERT_EQ(transport.sent().size(), 1u);
    const auto& request = transport.sent()[0];
    EXPECT_EQ(request.verb, "POST");
    EXPECT_EQ(request.page, kTextPage);
    EXPECT_EQ(request.version, "HTTP/1.0");
    EXPECT_EQ(request.body, "JmenoDeklaranta=DEKL01&Heslo=heslo&Celnice=CZ510201&FileName=DECL.DOK&FileCurent=1"
                            "&FileCount=1&FileData=065066013010&FileCRC=965943634&DateBT=2010-05-04T13:02:09"
                            "&VerzeApl=2.0.0.2");
    EXPECT_EQ(request.headers, (std::vector<std::string>{"Connection: Keep-Alive\r\n",
                                                         "Content-Type: application/x-www-form-urlencoded\r\n"}));

    ASSERT_EQ(sent.records.size(), 1u);
    EXPECT_EQ(sent.records[0].SendAs, "DECL.DOK");
    EXPECT_EQ(sent.records[0].PathName, folder);
    EXPECT_EQ(sent.records[0].CuCode, "CZ510201");
    EXPECT_EQ(cycle.filesAccepted, 1);
    EXPECT_EQ(cycle.receiptsAwaited, 1);
    const std::string session = Log("Relational.log");
    EXPECT_NE(session.find("odesílá se soubor :  \"" + ToUpperText(folder) + "DECL.DOK\""), std::string::npos);
    EXPECT_NE(session.find("velikost v Bytech :  \"4\""), std::string::npos);
    EXPECT_NE(session.find("soubor byl  úspěšně odeslán"), std::string::npos);
    EXPECT_EQ(Log("Debug.log").find("heslo"), std::string::npos); // the password is not traced
}

struct BoundaryCase {
    const char* name;
    std::size_t size;
    std::vector<std::size_t> chunkDigits;
};

void PrintTo(const BoundaryCase& row, std::ostream* os) {
    *os << row.name << " of " << row.size << " bytes";
}
class ChunkBoundary : public Upload, public ::testing::WithParamInterface<BoundaryCase> {};

TEST_P(ChunkBoundary, ChunksAreCutAtTheirFixedSizes) {
    const auto& c = GetParam();
    std::string bytes(c.size, '\0');
    std::mt19937 random(static_cast<unsigned>(c.size));
    for (char& ch : bytes) ch = static_cast<char>(random());
    const bool xml = std::string(c.name).ends_with("xml");
    // The XML page confirms with each chunk's checksum; queue them in order.
    // The expectation is built with the encoder and the checksum under test,
    // which is sound because file_encoder_test and crc32_test pin both
    // against literal values: here only the cutting into chunks is at stake.
    std::string encoded;
    AppendEncoded(xml ? FileKind::Xml : FileKind::Text, bytes, encoded);
    const std::size_t chunkChars = xml ? 99998 : 99999;
    for (std::size_t at = 0; at < encoded.size(); at += chunkChars) {
        const std::string answer = xml ? CrcToDecimal(CalcCrc32(encoded.substr(at, chunkChars))) : "OK";
        transport.AddReply(xml ? kXmlPage : kTextPage, FakeReply{200, Framed(answer)});
    }

    ASSERT_TRUE(Send(transport, Put(c.name, bytes), c.name, "CZ510201", c.name));
    ASSERT_EQ(transport.sent().size(), c.chunkDigits.size());
    std::string joined;
    for (std::size_t i = 0; i < c.chunkDigits.size(); ++i) {
        const std::string& body = transport.sent()[i].body;
        EXPECT_EQ(Field(body, "FileData").size(), c.chunkDigits[i]);
        EXPECT_EQ(Field(body, "FileCurent"), std::to_string(i + 1));
        EXPECT_EQ(Field(body, "FileCount"), std::to_string(c.chunkDigits.size()));
        joined += Field(body, "FileData");
    }
    EXPECT_EQ(joined, encoded);

    // Progress: the start, the source bytes sent after every accepted chunk, the end.
    using P = test::RecordingTransferProgress;
    constexpr auto kSending = TransferState::Direction::Sending;
    std::vector<P::Event> expected{P::Progress(kSending, c.name, 0, c.size)};
    const std::size_t chunkBytes = xml ? 49999 : 33333;
    for (std::size_t i = 1; i <= c.chunkDigits.size(); ++i) {
        expected.push_back(P::Progress(kSending, c.name, std::min(i * chunkBytes, c.size), c.size));
    }
    expected.push_back(P::End());
    EXPECT_EQ(progress.events, expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChunkBoundary,
                         ::testing::Values(BoundaryCase{"t33334.dok", 33334, {99999, 3}},
                                           BoundaryCase{"x50000.xml", 50000, {99998, 2}}),

                         [](const auto& info) { return std::string(info.param.name).substr(0, 6); });

// One answer to a one-chunk file and what it must lead to.
struct JudgeCase {
    const char* name;
    bool xml;
    long status;
    std::string reply;
    bool accepted;
    std::string errorLine; // expected start of the error-log line, empty when accepted
    bool notSentLine;      // "Soubor nebyl odeslán" in the session log
    InetError sendError = 0;
};

void PrintTo(const JudgeCase& row, std::ostream* os) {
    *os << row.name << (row.xml ? " (XML page, status " : " (text page, status ") << row.status
        << (row.accepted ? ", accepted)" : ", refused)");
}

class Judging : public Upload, public ::testing::WithParamInterface<JudgeCase> {};

TEST_P(Judging, AnswerDecidesTheOutcome) {
    const auto& c = GetParam();
    const std::string name = c.xml ? "decl.xml" : "decl.dok";
    transport.AddReply(c.xml ? kXmlPage : kTextPage, FakeReply{c.status, c.reply, c.sendError});
    EXPECT_EQ(Send(transport, Put(name, "AB"), name, "CZ510201", name), c.accepted);
    EXPECT_EQ(sent.records.size(), c.accepted ? 1u : 0u);
    EXPECT_TRUE(fs::exists(source / name));
    // The file's end is told either way; its two bytes only when they went.
    using P = test::RecordingTransferProgress;
    std::vector<P::Event> events{P::Progress(TransferState::Direction::Sending, name, 0, 2)};
    if (c.accepted) events.push_back(P::Progress(TransferState::Direction::Sending, name, 2, 2));
    events.push_back(P::End());
    EXPECT_EQ(progress.events, events);
    if (c.accepted) {
        EXPECT_FALSE(fs::exists(dir / "Error.log"));
        return;
    }
    EXPECT_NE(Log("Error.log").find(c.errorLine), std::string::npos) << Log("Error.log");
    EXPECT_EQ(Log("Relational.log").find("Soubor nebyl odeslán") != std::string::npos, c.notSentLine);
    ASSERT_EQ(mail.notices.size(), 1u);
}

std::string RefusalLine(int id) {
    return "[" + std::to_string(id) + "] *** " + ReplaceAll(MessageText(id), "|1", " ");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Judging,
    ::testing::Values(
        JudgeCase{"OkInLowerCase", false, 200, Framed("ok"), true, "", false},
        JudgeCase{"XmlOwnChecksum", true, 200, Framed("140090682"), true, "", false},
        JudgeCase{"XmlOkIsNotEnough", true, 200, Framed("OK"), false, RefusalLine(918), true},
        JudgeCase{"TextChybaIdIsNoKeyword", false, 200, Framed("CHYBA ID"), false, RefusalLine(918), true},
        JudgeCase{"XmlChybaId", true, 200, Framed("CHYBA ID"), false, RefusalLine(912), true},
        JudgeCase{"SqlInAnyCase", false, 200, Framed("chyba sql"), false, RefusalLine(913), true},
        JudgeCase{"Status500", false, 500, "", false, "[500] *** Chyba přijímací ASP", true},
        JudgeCase{"Status302", false, 302, "", false, "[302] *** Nespecifikovaná chyba !!!", true},
        JudgeCase{"NoAnswerIsASystemError", false, 0, "", false, "[12031] *** ", true, inet_error::kConnectionReset},
        // An unclosed body is the general error path: no "file not sent" line.
        JudgeCase{"UnclosedBody", false, 200, "<body>\r\nOK", false, "[12152] *** ", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Upload, FormValuesAreSentInWindows1250Unencoded) {
    settings.User = "Uživatel&x=1";
    settings.Pass = "Heslo=čř";
    transport.AddReply(kXmlPage, FakeReply{200, Framed(kCrcOf41)});
    const std::string folder = Put("Žluťoučký.xml", "A", "Příjem/kůň");
    ASSERT_TRUE(Send(transport, folder, "Žluťoučký.xml", "CZ510201", "Žluťoučký.xml"));
    EXPECT_EQ(transport.sent()[0].body,
              "JmenoDeklaranta=" + *Utf8ToCp1250("Uživatel&x=1") + "&Heslo=" + *Utf8ToCp1250("Heslo=čř") +
                  "&FileName=" + *Utf8ToCp1250("Žluťoučký.xml") + "&Celnice=" + *Utf8ToCp1250("Příjem\\kůň\\") +
                  "&FileCurent=1&FileCount=1&FileData=41&FileCrc=" + std::string(kCrcOf41) + "&VerzeApl=2.0.0.2");
    EXPECT_EQ(transport.sent()[0].headers.back(),
              "Content-Type: application/x-www-form-urlencoded; charset=\"ISO-8859-2\"\r\n");
}

TEST_F(Upload, ANameWithoutAWindows1250FormIsReportedAndNothingIsSent) {
    const std::string name = "zpráva✓.dok";
    EXPECT_FALSE(Send(transport, Put(name, "data"), name, "CZ510201", name));
    EXPECT_TRUE(transport.sent().empty());
    EXPECT_NE(Log("Error.log").find("[1113] *** "), std::string::npos);
    EXPECT_NE(Log("Error.log").find(name), std::string::npos);
    EXPECT_TRUE(fs::exists(source / name));

    // A password without a form is reported without showing it.
    settings.Pass = "tajné✓";
    EXPECT_FALSE(Send(transport, Put("b.dok", "data"), "b.dok", "CZ510201", "B.DOK"));
    EXPECT_TRUE(transport.sent().empty());
    EXPECT_EQ(Log("Error.log").find("tajné"), std::string::npos);
}

TEST_F(Upload, AnEmptyOrMissingFileMakesNoConnection) {
    EXPECT_FALSE(Send(transport, Put("empty.dok", ""), "empty.dok", "CZ510201", "EMPTY.DOK"));
    EXPECT_TRUE(transport.sent().empty());
    EXPECT_FALSE(fs::exists(dir / "Error.log"));
    EXPECT_TRUE(progress.events.empty()); // nothing was under way

    settings.ShowErrMessage = true;
    EXPECT_FALSE(Send(transport, source.string() + "/", "missing.dok", "CZ510201", "MISSING.DOK"));
    EXPECT_TRUE(transport.sent().empty());
    EXPECT_NE(Log("Error.log").find("[2] *** " + SystemErrorText(2) + "  \"" + source.string() + "/missing.dok\""),
              std::string::npos);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Stop);
}

// O_NOFOLLOW guards only the last part of the path: a folder on the way
// swapped for a link after the scan leads to another file, which is refused.
TEST_F(Upload, AFolderSwappedForALinkAfterTheScanIsRefusedAsAChangedFile) {
    const std::string folder = Put("decl.dok", "declaration", "Praha");
    const FileNode found = IdentityOfPath(folder + "decl.dok")->node();
    const fs::path elsewhere = dir / "elsewhere";
    fs::create_directory(elsewhere);
    test::WriteFileBytes(elsewhere / "decl.dok", "not for the server");
    fs::rename(source / "Praha", dir / "moved");
    fs::create_directory_symlink(elsewhere, source / "Praha");

    EXPECT_FALSE(Send(transport, folder, "decl.dok", "CZ510201", "DECL.DOK", nullptr, found));
    EXPECT_TRUE(transport.sent().empty());
    EXPECT_NE(Log("Error.log").find("[1006] *** "), std::string::npos) << Log("Error.log");
    EXPECT_NE(Log("Error.log").find("  \"" + folder + "decl.dok\""), std::string::npos) << Log("Error.log");
    EXPECT_TRUE(sent.records.empty());
}

TEST_F(Upload, AFailedDialUpEndsTheUploadSilently) {
    settings.RASMode = true;
    gate.connects = false;
    EXPECT_FALSE(Send(transport, Put("a.dok", "x"), "a.dok", "CZ510201", "A.DOK"));
    EXPECT_EQ(gate.calls, 1);
    EXPECT_TRUE(transport.sent().empty());
}

TEST_F(Upload, AProxyThatNeverAcceptsEndsOnTheGeneralErrorPath) {
    transport.state().proxyCredentials = std::make_pair(std::string("p"), std::string("q"));
    EXPECT_FALSE(Send(transport, Put("a.dok", "x"), "a.dok", "CZ510201", "A.DOK"));
    EXPECT_EQ(transport.sent().size(), 4u);
    EXPECT_NE(Log("Error.log").find("[407] *** Proxy server nepřijal přihlašovací údaje."), std::string::npos);
    EXPECT_EQ(Log("Relational.log").find("Soubor nebyl odeslán"), std::string::npos);
    EXPECT_EQ(test::TraceCount(Log("Debug.log"), 'J', 1), 1u);
}

TEST(XmlOfficeValue, FolderBelowTheSourceWithServerSeparators) {
    EXPECT_EQ(XmlOfficeValue("/home/u/Na_CU/", "/home/u/Na_CU/"), "");
    EXPECT_EQ(XmlOfficeValue("/home/u/Na_CU/CZ510201/sub/", "/home/u/Na_CU/"), "CZ510201\\sub\\");
    EXPECT_EQ(XmlOfficeValue("/home/u/na_cu/Příjem/", "/home/u/NA_CU/"), "Příjem\\");
}

// The pages of a test run; the live pages are pinned by every request above.
TEST(UploadPage, OfATestRun) {
    EXPECT_EQ(UploadPage(FileKind::Text, true), "/secure/activex_download/upload_tst.asp");
    EXPECT_EQ(UploadPage(FileKind::Xml, true), "/secure/activex_download/upload_test.asp");
}

} // namespace
} // namespace zumaset
