// zumasetctl check against the simulator: which server passed and why not.
#include "core/registry_file.h"
#include "core/settings_store.h"

#include "ctl_live_fixture.h"
#include "fake_nmcli.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

class CtlCheck : public test::CtlLiveTest {
protected:
    CtlCheck() { TrustVansim(); }
};

TEST_F(CtlCheck, TellsWhichServerPassedAndWhyTheOtherDidNot) {
    Set("ServerTxt", vansim.host());
    Set("ServerXml", "127.0.0.1:1");
    // Transfers of the XML kind would fail: so does the check.
    EXPECT_EQ(Run({"check"}), 1) << out.str() << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("ServerTxt (" + vansim.host() + "):\n  " + vansim.host() +
                        ": TLS passed; proxy not used; test page passed\n  => passed"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  127.0.0.1:1: no connection - 12029"), std::string::npos) << text;
    // The empty alternates are not tried at all.
    EXPECT_EQ(text.find("(no server set)"), std::string::npos) << text;
    EXPECT_NE(text.find("=> FAILED: no server passed the test"), std::string::npos) << text;
    EXPECT_NE(test::ReadFileBytes(logs() / "Control.log").find("spojeni pro odesilani - ANO"), std::string::npos);
}

TEST_F(CtlCheck, ServerNamesAreShownWithControlCharactersEscaped) {
    RegistryFile file(ctl.registry()); // written by another editor: "config set" refuses it
    Settings stored;
    LoadSettings(stored, file);
    stored.ServerTxt = "127.0.0.1:1\t\x7f";
    SaveSettings(stored, file);
    EXPECT_EQ(Run({"check"}), 1);
    EXPECT_EQ(out.str().find_first_of("\t\x7f"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("ServerTxt (127.0.0.1:1\\x09\\x7F):\n  127.0.0.1:1\\x09\\x7F: no connection"),
              std::string::npos)
        << out.str();
}

// The account is proven by the list of waiting files, which is only read:
// nothing is fetched or acknowledged.
TEST_F(CtlCheck, LoginListsWithoutFetchingAndFailsWhenTheListIsRefused) {
    vansim.AddAccount("DEKL01", "heslo");
    vansim.AddWaitingFile("DEKL01\\CZ510000\\A1.POT", "receipt");
    Set("User", "DEKL01");
    Set("Pass", "heslo");
    Set("ServerTxt", vansim.host());
    Set("ServerXml", vansim.host());
    EXPECT_EQ(Run({"check", "--login"}), 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("  login: passed, the server answered the list request: 1 file waiting\n"),
              std::string::npos)
        << out.str();
    EXPECT_TRUE(std::filesystem::exists(vansim.WaitingFile("DEKL01\\CZ510000\\A1.POT")));
    EXPECT_EQ(vansim.RequestLog().find("download_move.asp"), std::string::npos) << vansim.RequestLog();

    vansim.AddFaultRule("download_list.asp status 500");
    EXPECT_EQ(Run({"check", "--login"}), 1);
    EXPECT_NE(out.str().find("  login: FAILED, the list request was answered with status 500\n"), std::string::npos)
        << out.str();
}

// With RASMode on the test dials first and drops the line it brought up.
TEST_F(CtlCheck, DialsTheLineFirstWhenRasModeIsOn) {
    test::FakeNmcli nmcli;
    Set("ServerTxt", vansim.host());
    Set("ServerXml", vansim.host());
    Set("RASMode", "true");
    Set("RASName", "Modem");
    nmcli.Answer("up", 0, "Connection successfully activated (D-Bus active path: /nm/ActiveConnection/7)\n");
    nmcli.Then("up", "Modem:gsm:activated\n");
    nmcli.Then("down", "");
    EXPECT_EQ(Run({"check"}), 0) << out.str() << err.str();
    std::string line;
    for (const auto& call : nmcli.Calls()) {
        if (call.find(" up id Modem") != std::string::npos) line += 'u';
        if (call.find(" down apath /nm/ActiveConnection/7") != std::string::npos) line += 'd';
    }
    EXPECT_EQ(line, "ud");
}

TEST_F(CtlCheck, NothingToTestExitsThree) {
    EXPECT_EQ(Run({"check"}), 3);
    EXPECT_NE(err.str().find("no server is set"), std::string::npos) << err.str();
}

} // namespace
} // namespace zumaset
