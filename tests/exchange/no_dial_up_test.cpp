#include "exchange/no_dial_up.h"

#include "session_fixture.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

using NoDialUpSupportTest = test::SessionFixture;

TEST_F(NoDialUpSupportTest, ADialUpTransferIsReportedAndRefused) {
    settings.ShowErrMessage = true;
    NoDialUpSupport gate(reporter);
    EXPECT_FALSE(gate.EnsureDialUpConnection());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("Chyba aplikace :  [623]\r\n", 0), 0u);
    EXPECT_NE(Log("Error.log").find("[623] *** Telefonické připojení není"), std::string::npos);
    ASSERT_EQ(mail.notices.size(), 1u);
    EXPECT_EQ(mail.notices[0].text.rfind("623  ", 0), 0u);
}

} // namespace
} // namespace zumaset
