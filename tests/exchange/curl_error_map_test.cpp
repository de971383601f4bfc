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
        MapCase{"ProxyUnknown", CURLE_COULDNT_RESOLVE_PROXY, 0, kNameNotResolved},
        MapCase{"Refused", CURLE_COULDNT_CONNECT, 0, kCannotConnect},
        MapCase{"CutShort", CURLE_PARTIAL_FILE, 0, kConnectionAborted},
        MapCase{"SendFailed", CURLE_SEND_ERROR, 0, kConnectionAborted},
        MapCase{"ReceiveFailed", CURLE_RECV_ERROR, 0, kConnectionReset},
        MapCase{"EmptyReply", CURLE_GOT_NOTHING, 0, kInvalidServerResponse},
        MapCase{"BadUrl", CURLE_URL_MALFORMAT, 0, kInvalidUrl},
        MapCase{"NotHttps", CURLE_UNSUPPORTED_PROTOCOL, 0, kInvalidUrl},
        MapCase{"Handshake", CURLE_SSL_CONNECT_ERROR, 0, kSecureChannelError},
        MapCase{"UnknownIssuer", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,
                kInvalidCa},
        MapCase{"SelfSigned", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, kInvalidCa},
        MapCase{"BadSignature", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_SIGNATURE_FAILURE, kSecurityFailure},
        MapCase{"Expired", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_HAS_EXPIRED, kCertificateDateInvalid},
        MapCase{"NotYetValid", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_NOT_YET_VALID, kCertificateDateInvalid},
        MapCase{"OtherName", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_HOSTNAME_MISMATCH, kCertificateNameInvalid},
        MapCase{"OtherAddress", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_IP_ADDRESS_MISMATCH,
                kCertificateNameInvalid},
        MapCase{"Revoked", CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_REVOKED, kSecurityFailure},
        MapCase{"Anything else", CURLE_OUT_OF_MEMORY, 0, kInternalError}),
    [](const auto& info) {
        std::string name = info.param.label;
        std::erase(name, ' ');
        return name;
    });

} // namespace
} // namespace zumaset
