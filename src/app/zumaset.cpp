#include "desktop/client_program.h"
#include "exchange/curl_handles.h"

#include <csignal>

int main(int argc, char** argv) {
    // Under a file-size limit a write past it should fail with EFBIG and be
    // reported like any other write error, not end the process mid-transfer.
    std::signal(SIGXFSZ, SIG_IGN);
    zumaset::CurlGlobal curl;
    return zumaset::RunClientProgram(argc, argv);
}
