#include "app/ctl/ctl_app.h"
#include "exchange/curl_handles.h"

#include <iostream>

int main(int argc, char** argv) {
    zumaset::CurlGlobal curl;
    return zumaset::RunZumasetCtl(argc, argv, std::cin, std::cout, std::cerr);
}
