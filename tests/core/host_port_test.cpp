#include "core/host_port.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

// Which names are accepted at all is in setting_rules_test, where the editor's
// rule is held against this parser on one list.
struct SplitCase {
    const char* label;
    const char* server;
    const char* host;
    int port;
    const char* authority;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << '"' << c.server << '"';
}

class ServerNameTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ServerNameTest, SplitsHostAndPort) {
    const auto& c = GetParam();
    const auto parsed = ParseServerName(c.server);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->host, c.host);
    EXPECT_EQ(parsed->port, c.port);
    EXPECT_EQ(parsed->UrlAuthority(), c.authority);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerNameTest,
    ::testing::Values(SplitCase{"BareHostMeans443", "van.example.cz", "van.example.cz", 443, "van.example.cz"},
                      SplitCase{"HostWithPort", "van.example.cz:8443", "van.example.cz", 8443, "van.example.cz:8443"},
                      SplitCase{"Ipv6WithPort", "[::1]:4433", "::1", 4433, "[::1]:4433"},
                      SplitCase{"Ipv6Bare", "[::1]", "::1", 443, "[::1]"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(NamedProxyBypass, OnlyNamesWithoutDotGoDirect) {
    EXPECT_TRUE(BypassesNamedProxy("localhost"));
    EXPECT_TRUE(BypassesNamedProxy("::1"));
    EXPECT_FALSE(BypassesNamedProxy("127.0.0.1"));
    EXPECT_FALSE(BypassesNamedProxy("van.example.cz"));
}

} // namespace
} // namespace zumaset
