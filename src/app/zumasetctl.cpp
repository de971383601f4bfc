#include "app/ctl/ctl_app.h"
#include "app/ctl/user_language.h"
#include "exchange/curl_handles.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // Under a file-size limit a write past it should fail with EFBIG and be
    // reported like any other write error, not end the process mid-transfer.
    std::signal(SIGXFSZ, SIG_IGN);
    zumaset::UseUserLanguage();
    zumaset::CurlGlobal curl;
    return zumaset::RunZumasetCtl(argc, argv, std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
