#include "core/file_error.h"
#include "core/inet_error.h"
#include "core/system_error_text.h"

#include <gtest/gtest.h>
#include <string>

namespace zumaset {
namespace {

TEST(SystemErrorText, DescribesEveryTransportCode) {
    using namespace inet_error;
    for (const unsigned long code :
         {kReplyTooLarge, kTimeout, kInternalError, kInvalidUrl, kNameNotResolved, kOperationCancelled,
          kIncorrectHandleState, kCannotConnect, kConnectionAborted, kConnectionReset, kCertificateDateInvalid,
          kCertificateNameInvalid, kClientCertificateNeeded, kInvalidCa, kInvalidServerResponse, kInvalidHeader,
          kSecureChannelError, kSecurityFailure}) {
        EXPECT_FALSE(SystemErrorText(static_cast<long>(code)).empty()) << code;
    }
    EXPECT_EQ(SystemErrorText(kNoSystemErrorNumber), "");
}

TEST(SystemErrorText, KnowsOurCodesAndGivesOneLineOrNothing) {
    EXPECT_FALSE(SystemErrorText(fileerr::kFileNotFound).empty());
    EXPECT_FALSE(SystemErrorText(28).empty()); // an errno value (no space left)
    EXPECT_EQ(SystemErrorText(0), "");
    EXPECT_EQ(SystemErrorText(12999), "");
    for (const long code : {2L, 5L, 12002L, 12157L, 28L}) {
        EXPECT_EQ(SystemErrorText(code).find_first_of("\r\n"), std::string::npos) << code;
    }
}

} // namespace
} // namespace zumaset
