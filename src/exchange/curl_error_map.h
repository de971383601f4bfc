#pragma once

#include "core/inet_error.h"

#include <curl/curl.h>

namespace zumaset {

// Turns a libcurl result into the WinINet-style error number the failure
// reports print. `verifyResult` is the certificate check's own result
// (CURLINFO_SSL_VERIFYRESULT); it tells an unknown certificate authority from
// other certificate faults. CURLE_OK gives 0.
InetError InetErrorFromCurl(CURLcode code, long verifyResult = 0);

} // namespace zumaset
