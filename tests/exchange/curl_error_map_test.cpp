#include "core/inet_error.h"
#include "exchange/curl_error_map.h"

#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

namespace zumaset {
namespace {

struct MapCase {
    const char* label;
    CURLcode curl;
    long verifyResult;
    unsigned long expected;
};

void PrintTo(const MapCase& row, std::ostream* os) {
    *os << row.label << " (curl " << row.curl << ", verify " << row.verifyResult << " gives " << row.expected << ")";
}

class CurlErrorMapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(CurlErrorMapTest, GivesTheWinInetNumber) {
    EXPECT_EQ(InetErrorFromCurl(GetParam().curl, GetParam().verifyResult), GetParam().expected);
}

using namespace inet_error;
INSTANTIATE_TEST_SUITE_P(
    Table, CurlErrorMapTest,
    ::testing::Values(
        MapCase{"Success", CURLE_OK, 0, 0}, MapCase{"Timeout", CURLE_OPERATION_TIMEDOUT, 0, kTimeout},
        MapCase{"HostUnknown", CURLE_COULDNT_RESOLVE_HOST, 0, kNameNotResolved},
        MapCase{"Refused", CURLE_COULDNT_CONNECT, 0, kCannotConnect},
        MapCase{"CutShort", CURLE_PARTIAL_FILE, 0, kConnectionAborted},
        MapCase{"ReceiveFailed", CURLE_RECV_ERROR, 0, kConnectionReset},
        MapCase{"EmptyReply", CURLE_GOT_NOTHING, 0, kInvalidServerResponse},
        MapCase{"BadUrl", CURLE_URL_MALFORMAT, 0, kInvalidUrl},
        MapCase{"Handshake", CURLE_SSL_CONNECT_ERROR, 0, kSecureChannelError},
        MapCase{"SelfSigned", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, kInvalidCa},
        MapCase{"BadSignature", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_SIGNATURE_FAILURE, kSecurityFailure},
        MapCase{"Expired", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_HAS_EXPIRED, kCertificateDateInvalid},
        MapCase{"OtherName", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_HOSTNAME_MISMATCH, kCertificateNameInvalid},
        MapCase{"AnythingElse", CURLE_OUT_OF_MEMORY, 0, kInternalError}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace zumaset
