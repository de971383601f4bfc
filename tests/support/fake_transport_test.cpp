#include "fake_transport.h"

#include <array>
#include <gtest/gtest.h>

namespace zumaset::test {
namespace {

// The fake stands in for the network in the callers' tests, so its proxy
// gate and script must behave like the real transport.
TEST(FakeTransport, AnswersLikeAnAuthenticatingProxyThenFollowsTheScript) {
    FakeTransport transport;
    transport.state().proxyCredentials = std::pair{std::string("u"), std::string("p")};
    transport.AddReply("/list.asp", {200, "a#b#", 0, 0});
    transport.AddReply("/list.asp", {200, "", 0, inet_error::kTimeout});

    auto session = transport.OpenSession("agent", {true, "proxy:8080"});
    auto request = session->Connect("van")->OpenRequest("POST", "/list.asp", "HTTP/1.0");
    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_EQ(request->QueryStatusCode(), 407);
    request->SetProxyUserName("u");
    request->SetProxyPassword("p");
    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_EQ(request->QueryStatusCode(), 200);
    std::array<char, 2> buffer{};
    EXPECT_EQ(request->ReadFile(buffer), 2u);
    EXPECT_EQ(request->ReadFile(buffer), 2u);
    EXPECT_EQ(request->ReadFile(buffer), 0u);

    ASSERT_TRUE(request->SendRequest("User=x"));
    EXPECT_FALSE(request->ReadFile(buffer));
    EXPECT_EQ(request->LastError(), inet_error::kTimeout);
    EXPECT_EQ(transport.sent().size(), 3u);
    EXPECT_EQ(transport.sent()[1].proxyUser, "u");
}

} // namespace
} // namespace zumaset::test
