#include "exchange/curl_error_map.h"

#include "core/inet_error.h"

#include <openssl/x509_vfy.h>

namespace zumaset {
namespace {

// Chain faults that mean "the issuer is not one we trust".
bool IsUntrustedIssuer(long verifyResult) {
    switch (verifyResult) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_INVALID_CA: return true;
    default: return false;
    }
}

} // namespace

InetError InetErrorFromCurl(CURLcode code, long verifyResult) {
    using namespace inet_error;
    switch (code) {
    case CURLE_OK: return 0;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT: return kInvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return kNameNotResolved;
    case CURLE_COULDNT_CONNECT:
    case CURLE_INTERFACE_FAILED:
    case CURLE_PROXY: return kCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return kTimeout;
    case CURLE_ABORTED_BY_CALLBACK: return kOperationCancelled;
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE: return kConnectionAborted;
    case CURLE_RECV_ERROR: return kConnectionReset;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM: return kInvalidServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED: return kSecureChannelError;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CLIENTCERT: return kClientCertificateNeeded;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (IsUntrustedIssuer(verifyResult)) return kInvalidCa;
        if (verifyResult == X509_V_ERR_CERT_HAS_EXPIRED || verifyResult == X509_V_ERR_CERT_NOT_YET_VALID)
            return kCertificateDateInvalid;
        if (verifyResult == X509_V_ERR_HOSTNAME_MISMATCH || verifyResult == X509_V_ERR_IP_ADDRESS_MISMATCH)
            return kCertificateNameInvalid;
        return kSecurityFailure;
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE: return kSecurityFailure;
    default: return kInternalError;
    }
}

} // namespace zumaset
