#include "core/file_error.h"
#include "core/inet_error.h"
#include "core/system_error_text.h"

#include <gtest/gtest.h>
#include <string>

namespace zumaset {
namespace {

// Every code a report can carry has a one-line text; unknown codes have none.
TEST(SystemErrorText, DescribesEveryCodeOnOneLine) {
    using namespace inet_error;
    for (const unsigned long code : {kReplyTooLarge,
                                     kTimeout,
                                     kInternalError,
                                     kInvalidUrl,
                                     kNameNotResolved,
                                     kOperationCancelled,
                                     kIncorrectHandleState,
                                     kCannotConnect,
                                     kConnectionAborted,
                                     kConnectionReset,
                                     kCertificateDateInvalid,
                                     kCertificateNameInvalid,
                                     kClientCertificateNeeded,
                                     kInvalidCa,
                                     kInvalidServerResponse,
                                     kInvalidHeader,
                                     kSecureChannelError,
                                     kSecurityFailure,
                                     static_cast<unsigned long>(fileerr::kFileNotFound),
                                     5ul,
                                     28ul}) {
        const std::string text = SystemErrorText(static_cast<long>(code));
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code;
    }
    EXPECT_EQ(SystemErrorText(kNoSystemErrorNumber), "");
    EXPECT_EQ(SystemErrorText(0), "");
    EXPECT_EQ(SystemErrorText(12999), "");
}

} // namespace
} // namespace zumaset
