// Download list, fetch and acknowledge against the running simulator.
#include "sim_client.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace zumaset::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kListPage = "/secure/activex_download/download_list.asp";
constexpr const char* kFetchPage = "/secure/activex_download/download_down.asp";
constexpr const char* kMovePage = "/secure/activex_download/download_move.asp";

// The fetch and acknowledge body for one list entry, as the client builds it.
std::string EntryBody(const std::string& entry) {
    const size_t slash = entry.rfind('\\');
    return "Name=" + entry.substr(slash + 1) + "&File=" + entry + "&Dir=" + entry.substr(0, slash + 1);
}

class VansimDownload : public ::testing::Test {
protected:
    VansimDownload() { sim.AddAccount("novak", "tajne"); }

    std::string List() { return client.Post(kListPage, "JmenoDeklaranta=novak&Heslo=tajne").body; }

    VansimProcess sim;
    SimClient client{sim};
};

// Each account sees only its own files, and none with a wrong password.
TEST_F(VansimDownload, ListHoldsOnlyTheAccountsOwnFiles) {
    sim.AddWaitingFile("novak\\CZ510201\\B.POT", "b");
    sim.AddWaitingFile("jiny\\CZ510201\\C.POT", "someone else's");
    EXPECT_EQ(List(), "novak\\CZ510201\\B.POT#");
    const auto reply = client.Post(kListPage, "JmenoDeklaranta=novak&Heslo=spatne");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "");
}

TEST_F(VansimDownload, RequestsOutsideTheOutboxOrForAbsentFilesAreNotFound) {
    sim.AddWaitingFile("novak\\CZ510201\\B.POT", "b");
    const std::string bodies[] = {
        "Name=accounts.txt&File=novak\\..\\..\\accounts.txt&Dir=novak\\..\\..\\",
        "Name=B.POT&File=novak\\CZ510201\\B.POT&Dir=novak\\CZ510299\\", // File is not Dir + Name
        EntryBody("novak\\CZ510201\\NONE.POT"),
        "File=novak\\CZ510201\\B.POT&Name=B.POT&Dir=novak\\CZ510201\\", // fields out of order
    };
    for (const auto& body : bodies) {
        EXPECT_EQ(client.Post(kFetchPage, body).status, 404) << body;
        EXPECT_EQ(client.Post(kMovePage, body).status, 404) << body;
    }
    EXPECT_TRUE(fs::exists(sim.WaitingFile("novak\\CZ510201\\B.POT")));
}

} // namespace
} // namespace zumaset::test
