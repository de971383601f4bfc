// Fault rules, the connections page and certificates of the running simulator.
#include "sim_client.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace zumaset::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kListPage = "/secure/activex_download/download_list.asp";
constexpr const char* kFetchPage = "/secure/activex_download/download_down.asp";
const std::string kListBody = "JmenoDeklaranta=novak&Heslo=tajne";
const std::string kFetchBody = "Name=B.POT&File=novak\\CZ510201\\B.POT&Dir=novak\\CZ510201\\";

class VansimFault : public ::testing::Test {
protected:
    VansimFault() { sim.AddAccount("novak", "tajne"); }

    VansimProcess sim;
    SimClient client{sim};
};

TEST_F(VansimFault, TrickleRuleStillDeliversTheWholeFile) {
    sim.AddWaitingFile("novak\\CZ510201\\B.POT", std::string(300, 't'));
    sim.AddFaultRule("download_down.asp trickle 3000 file=B.POT");
    const auto reply = client.Post(kFetchPage, kFetchBody);
    EXPECT_TRUE(reply.whole);
    EXPECT_EQ(reply.body, std::string(300, 't'));
}

TEST_F(VansimFault, ConnectionsPageCountsTlsConnections) {
    EXPECT_EQ(client.Post(kListPage, kListBody).status, 200);
    EXPECT_EQ(client.Post(kListPage, kListBody).status, 200);
    // Two POSTs over one kept-alive connection, and the GET's own.
    EXPECT_EQ(client.Get("/vansim/connections").body, "2");
}

TEST(VansimCertificates, CaCopyIsWrittenWhereAskedInDer) {
    TempDir target;
    VansimProcess sim({"--ca-out", (target / "ca" / "vansim.der").string()});
    EXPECT_EQ(sim.caPath(), target / "ca" / "vansim.der");
    EXPECT_EQ(ReadFileBytes(sim.caPath()), ReadFileBytes(sim.dataFolder() / "tls" / "ca.der"));
}

} // namespace
} // namespace zumaset::test
