#include "core/file_error.h"
#include "core/inet_error.h"
#include "core/system_error_text.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zumaset {
namespace {

// Every code a report can carry has a one-line text; unknown codes have none.
TEST(SystemErrorText, DescribesEveryCodeOnOneLine) {
    using namespace inet_error;
    const InetError transportCodes[] = {kReplyTooLarge,           kTimeout,
                                        kInternalError,           kInvalidUrl,
                                        kNameNotResolved,         kOperationCancelled,
                                        kIncorrectHandleState,    kCannotConnect,
                                        kConnectionAborted,       kConnectionReset,
                                        kCertificateDateInvalid,  kCertificateNameInvalid,
                                        kClientCertificateNeeded, kInvalidCa,
                                        kInvalidServerResponse,   kInvalidHeader,
                                        kSecureChannelError,      kSecurityFailure};
    std::vector<long> codes{fileerr::kFileNotFound, 5, 28}; // a file code, access denied, an errno (no space)
    for (const InetError code : transportCodes) codes.push_back(static_cast<long>(code));
    for (const long code : codes) {
        const std::string text = SystemErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code;
    }
    EXPECT_EQ(SystemErrorText(kNoSystemErrorNumber), "");
    EXPECT_EQ(SystemErrorText(0), "");
    EXPECT_EQ(SystemErrorText(12999), "");
}

} // namespace
} // namespace zumaset
