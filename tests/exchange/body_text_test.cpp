#include "exchange/body_text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace zumaset {
namespace {

TEST(GetBodyText, TakesTheFramedTextOrTheWholeReply) {
    EXPECT_EQ(GetBodyText("<html><BODY>\r\nOK\r\n</Body></html>"), std::optional<std::string>("OK"));
    EXPECT_EQ(GetBodyText("plain answer"), std::optional<std::string>("plain answer"));
    EXPECT_EQ(GetBodyText("<body>\r\n\r\n</body>"), std::optional<std::string>(""));
    EXPECT_EQ(GetBodyText("<body>\r\nOK"), std::nullopt);
    EXPECT_EQ(GetBodyText("<body></body>"), std::nullopt);
    EXPECT_EQ(GetBodyText("</body> before <body>\r\n"), std::nullopt);
}

} // namespace
} // namespace zumaset
