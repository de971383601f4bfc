// nmcli's run deadline, the phonebook entries read from its terse output
// (escaped colons in names) and the connection-state flags, over a fake nmcli.
#include "platform/connection_state.h"
#include "platform/nmcli.h"
#include "platform/ras_entries.h"

#include "fake_nmcli.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

using Fields = std::vector<std::string>;

TEST(NmcliRun, AnswerPastTheDeadlineIsKilledAndCountsAsATimeOut) {
    test::FakeNmcli fake;
    fake.Sleep("general", 30);
    Nmcli::Options options;
    options.queryTimeout = std::chrono::milliseconds(300);
    const NmcliAnswer answer = Nmcli(options).Query("RUNNING", {"general"});
    EXPECT_EQ(answer.code, nmcli_code::kTimeout);
}

struct EntriesCase {
    const char* name;
    const char* profiles; // nmcli's NAME,TYPE lines
    int status;
    const char* RASName;
    Fields names; // empty: no list
    std::size_t selected;
};
void PrintTo(const EntriesCase& c, std::ostream* os) {
    *os << c.name;
}

class Entries : public ::testing::TestWithParam<EntriesCase> {};

TEST_P(Entries, ListsTheDiallingProfilesInOrderAndSelectsTheExactName) {
    const EntriesCase& c = GetParam();
    test::FakeNmcli fake;
    fake.Answer("profiles", c.status, c.profiles);
    const auto entries = ListRasEntries(c.RASName, fake.client());
    if (c.names.empty()) {
        EXPECT_FALSE(entries.has_value());
        return;
    }
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(entries->names, c.names);
    EXPECT_EQ(entries->selected, c.selected);
}

constexpr const char* kProfiles = "Wired:802-3-ethernet\nModem:gsm\nmodem:gsm\nVPN:vpn\nDSL\\: doma:pppoe\n"
                                  "EV-DO:cdma\nPhone:bluetooth\n";
const Fields kDialling{"Modem", "modem", "DSL: doma", "EV-DO", "Phone"};

INSTANTIATE_TEST_SUITE_P(
    Profiles, Entries,
    ::testing::Values(EntriesCase{"ExactNameSelected", kProfiles, 0, "modem", kDialling, 1},
                      EntriesCase{"CaseOnlyMatchSelectsTheFirst", kProfiles, 0, "MODEM", kDialling, 0},
                      EntriesCase{"NoDiallingProfileNoList", "Wired:802-3-ethernet\n", 0, "Wired", {}, 0},
                      EntriesCase{"NmcliFailingNoList", kProfiles, 8, "Modem", {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Flag 16 asks whether NetworkManager answers; unknown flags give -1.
TEST(ConnectionState, Flag16IsSetOnlyWhenNetworkManagerAnswers) {
    test::FakeNmcli fake;
    fake.Answer("general", 0, "running\n");
    EXPECT_EQ(ConnectionStateFlag(connection_flag::kRasInstalled, fake.client()), 16);
    fake.Answer("general", 8, "", "Error: NetworkManager is not running.\n");
    EXPECT_EQ(ConnectionStateFlag(connection_flag::kRasInstalled, fake.client()), 0);
    EXPECT_EQ(ConnectionStateFlag(8), -1);
}

} // namespace
} // namespace zumaset
