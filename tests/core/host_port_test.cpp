#include "core/host_port.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

struct ServerNameCase {
    const char* label;
    const char* server;
    bool valid;
    const char* host;
    int port;
    const char* authority;
};

class ServerNameTest : public ::testing::TestWithParam<ServerNameCase> {};

TEST_P(ServerNameTest, SplitsHostAndPort) {
    const auto& c = GetParam();
    const auto parsed = ParseServerName(c.server);
    ASSERT_EQ(parsed.has_value(), c.valid);
    if (!c.valid) return;
    EXPECT_EQ(parsed->host, c.host);
    EXPECT_EQ(parsed->port, c.port);
    EXPECT_EQ(parsed->UrlAuthority(), c.authority);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerNameTest,
    ::testing::Values(ServerNameCase{"BareHostMeans443", "van.example.cz", true, "van.example.cz", 443, "van.example.cz"},
                      ServerNameCase{"HostWithPort", "van.example.cz:8443", true, "van.example.cz", 8443, "van.example.cz:8443"},
                      ServerNameCase{"Explicit443", "van.example.cz:443", true, "van.example.cz", 443, "van.example.cz"},
                      ServerNameCase{"IpWithPort", "127.0.0.1:4433", true, "127.0.0.1", 4433, "127.0.0.1:4433"},
                      ServerNameCase{"Ipv6WithPort", "[::1]:4433", true, "::1", 4433, "[::1]:4433"},
                      ServerNameCase{"Ipv6Bare", "[::1]", true, "::1", 443, "[::1]"},
                      ServerNameCase{"HighestPort", "h:65535", true, "h", 65535, "h:65535"},
                      ServerNameCase{"Empty", "", false, "", 0, ""},
                      ServerNameCase{"PortWithoutHost", ":443", false, "", 0, ""},
                      ServerNameCase{"EmptyPort", "h:", false, "", 0, ""},
                      ServerNameCase{"PortZero", "h:0", false, "", 0, ""},
                      ServerNameCase{"PortTooHigh", "h:65536", false, "", 0, ""},
                      ServerNameCase{"PortNotNumber", "h:https", false, "", 0, ""},
                      ServerNameCase{"TwoPorts", "h:80:81", false, "", 0, ""},
                      ServerNameCase{"UnclosedBracket", "[::1:443", false, "", 0, ""},
                      ServerNameCase{"JunkAfterBracket", "[::1]x", false, "", 0, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(NamedProxyBypass, OnlyNamesWithoutDotGoDirect) {
    EXPECT_TRUE(BypassesNamedProxy("localhost"));
    EXPECT_TRUE(BypassesNamedProxy("vanserver"));
    EXPECT_TRUE(BypassesNamedProxy("::1"));
    EXPECT_FALSE(BypassesNamedProxy("127.0.0.1"));
    EXPECT_FALSE(BypassesNamedProxy("van.example.cz"));
}

} // namespace
} // namespace zumaset
