// Fault rules, certificates and shutdown of the running simulator.
#include "https_client.h"
#include "vansim_process.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace zumaset::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kListPage = "/secure/activex_download/download_list.asp";
constexpr const char* kFetchPage = "/secure/activex_download/download_down.asp";
const std::string kListBody = "JmenoDeklaranta=novak&Heslo=tajne";
const std::string kFetchBody = "Name=B.POT&File=novak\\CZ510201\\B.POT&Dir=novak\\CZ510201\\";

// Waits for something another thread or process does; the limit only keeps a
// broken build from hanging the run.
template <typename Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 6000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class VansimFault : public ::testing::Test {
protected:
    VansimFault() { sim.AddAccount("novak", "tajne"); }

    VansimProcess sim;
    HttpsClient client{sim.baseUrl(), sim.caPath()};
};

TEST_F(VansimFault, RemovedRuleNoLongerApplies) {
    sim.AddFaultRule("download_list.asp status 500");
    EXPECT_EQ(client.Post(kListPage, kListBody).status, 500);
    sim.ClearSettings();
    EXPECT_EQ(client.Post(kListPage, kListBody).status, 200);
}

TEST_F(VansimFault, WrongCrcRuleAnswersAnotherChecksumToAnXmlChunk) {
    sim.AddFaultRule("upload_prov.asp wrong-crc");
    const std::string digits = HexDigits("<a/>");
    const auto reply = client.Post("/secure/activex_download/upload_prov.asp", XmlChunkBody({.digits = digits}));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body.find(SignedCrcText(digits)), std::string::npos);
    EXPECT_FALSE(fs::exists(sim.ReceivedFile("novak\\DECL.xml")));
}

TEST_F(VansimFault, DropMiddleRuleCutsTheFetchedFileInHalf) {
    sim.AddWaitingFile("novak\\CZ510201\\B.POT", std::string(1000, 'b'));
    sim.AddFaultRule("download_down.asp drop-middle");
    const auto reply = client.Post(kFetchPage, kFetchBody);
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.code, CURLE_OK);
    EXPECT_EQ(reply.body, std::string(500, 'b'));
}

// Slow or unannounced replies still carry the whole file. The two no-length
// rules differ only in how the connection ends (with or without the TLS end
// signal), which this client overlooks.
TEST_F(VansimFault, SlowAndLengthlessRulesStillDeliverTheWholeFile) {
    struct Row {
        const char* rule;
        std::string content;
        bool inPieces;   // arrives in more than one piece
        bool lengthless; // no Content-Length
    };
    for (const Row& row : {Row{"trickle 3000 file=B.POT", std::string(300, 't'), false, false},
                           Row{"drip 20 file=B.POT", "dripping", true, false}, Row{"no-length", "whole", false, true},
                           Row{"no-length-no-notify", "whole", false, true}}) {
        sim.ClearSettings();
        sim.AddWaitingFile("novak\\CZ510201\\B.POT", row.content);
        sim.AddFaultRule(std::string("download_down.asp ") + row.rule);
        HttpsClient fresh(sim.baseUrl(), sim.caPath());
        std::size_t pieces = 0;
        fresh.OnBodyPiece([&](const std::string&) { ++pieces; });
        const auto reply = fresh.Post(kFetchPage, kFetchBody);
        EXPECT_EQ(reply.code, CURLE_OK) << row.rule;
        EXPECT_EQ(reply.status, 200) << row.rule;
        EXPECT_EQ(reply.body, row.content) << row.rule;
        EXPECT_TRUE(!row.inPieces || pieces > 1) << row.rule << ": " << pieces << " pieces";
        EXPECT_TRUE(!row.lengthless || reply.contentLength == -1) << row.rule;
    }
}

TEST_F(VansimFault, ConnectionsPageCountsTlsConnections) {
    EXPECT_EQ(client.Post(kListPage, kListBody).status, 200);
    EXPECT_EQ(client.Post(kListPage, kListBody).status, 200);
    HttpsClient other(sim.baseUrl(), sim.caPath());
    EXPECT_EQ(other.Get("/vansim/connections").body, "2");
    EXPECT_EQ(client.Get("/vansim/connections").body, "2");
}

TEST_F(VansimFault, StallBeforeTheAnswerIsCutShortBySigterm) {
    sim.AddFaultRule("download_list.asp stall-before 600");
    HttpsReply reply;
    std::thread request([&] { reply = client.Post(kListPage, kListBody); });
    ASSERT_TRUE(Eventually([&] { return sim.RequestLog().find("stalling 600 s") != std::string::npos; }));

    EXPECT_EQ(sim.Stop(), 0);
    request.join();
    EXPECT_NE(reply.status, 200);
    EXPECT_NE(client.Post(kListPage, kListBody).code, CURLE_OK); // the simulator has ended
}

TEST_F(VansimFault, StallInTheMiddleHoldsBackTheSecondHalfUntilSigterm) {
    sim.AddWaitingFile("novak\\CZ510201\\B.POT", std::string(600, 'a') + std::string(600, 'z'));
    sim.AddFaultRule("download_down.asp stall-middle 600");
    std::mutex mutex;
    std::condition_variable arrived;
    size_t received = 0;
    client.OnBodyPiece([&](const std::string& piece) {
        std::lock_guard lock(mutex);
        received += piece.size();
        arrived.notify_all();
    });
    HttpsReply reply;
    std::thread request([&] { reply = client.Post(kFetchPage, kFetchBody); });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(60), [&] { return received >= 600; }));
    }

    EXPECT_EQ(sim.Stop(), 0);
    request.join();
    EXPECT_NE(reply.code, CURLE_OK);
    EXPECT_EQ(reply.body, std::string(600, 'a'));
}

TEST(VansimCertificates, PublishedCertificatesAreTheTestCaAndItsIssuingCa) {
    VansimProcess sim;
    HttpsClient client(sim.baseUrl(), sim.caPath());
    const auto root = client.Get("/download/cert.der");
    const auto issuing = client.Get("/download/cert2.der");
    EXPECT_EQ(root.status, 200);
    EXPECT_EQ(root.body, ReadFileBytes(sim.dataFolder() / "tls" / "ca.der"));
    EXPECT_EQ(issuing.status, 200);
    EXPECT_FALSE(issuing.body.empty());
    EXPECT_NE(issuing.body, root.body);
}

TEST(VansimCertificates, RestartOverTheSameDataFolderKeepsTheCaAndTheState) {
    VansimProcess sim;
    sim.AddAccount("novak", "tajne");
    sim.AddWaitingFile("novak\\CZ510201\\B.POT", "b");
    const std::string ca = ReadFileBytes(sim.caPath());
    sim.Restart();
    EXPECT_EQ(ReadFileBytes(sim.caPath()), ca);
    HttpsClient client(sim.baseUrl(), sim.caPath());
    EXPECT_EQ(client.Post(kListPage, kListBody).body, "novak\\CZ510201\\B.POT#");
}

TEST(VansimCertificates, CaCopyIsWrittenWhereAskedInDer) {
    TempDir target;
    VansimProcess sim({"--ca-out", (target / "ca" / "vansim.der").string()});
    EXPECT_EQ(sim.caPath(), target / "ca" / "vansim.der");
    EXPECT_EQ(ReadFileBytes(sim.caPath()), ReadFileBytes(sim.dataFolder() / "tls" / "ca.der"));
}

// An expired certificate fails verification; one for the wrong host fails only the host name check.
TEST(VansimCertificates, ExpiredOrWrongHostCertificateFailsVerification) {
    for (const std::string kind : {"expired", "wrong-host"}) {
        VansimProcess sim({"--certificate", kind});
        HttpsClient client(sim.baseUrl(), sim.caPath());
        EXPECT_EQ(client.Get("/secure/activex_download/testing.asp").code, CURLE_PEER_FAILED_VERIFICATION) << kind;
        client.VerifyHostName(false);
        EXPECT_EQ(client.Get("/secure/activex_download/testing.asp").status, kind == "expired" ? 0 : 200) << kind;
    }
}

} // namespace
} // namespace zumaset::test
