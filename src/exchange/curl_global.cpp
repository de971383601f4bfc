#include "exchange/curl_handles.h"

namespace zumaset {

CurlGlobal::CurlGlobal() : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

CurlGlobal::~CurlGlobal() {
    if (ok_) curl_global_cleanup();
}

} // namespace zumaset
