// Cost of keeping the register of sent files current on disk: every upload
// adds a record and rewrites the whole file atomically (temporary file, sync,
// rename, folder sync). For batches of 1,000 and 5,000 uploads the program
// prints the time of the batch's register writes, the time per upload, and
// the ratio against the same records written as one synced line appended
// per upload (the cheapest write that still survives a kill), measured in
// the same run. Medians of three runs. Option: --sizes=N,N,...

#include "core/clock.h"
#include "core/logs.h"
#include "core/settings.h"
#include "outbound/receipt_register.h"

#include "temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

constexpr int kRuns = 3;

std::string Name(int n) {
    return "PRAHA_CZ510000_" + std::to_string(100000 + n) + ".VAS";
}
constexpr const char* kFolder = "/home/deklarant/Na_CU/Praha/";

// The register as the send pass keeps it: one atomic rewrite per upload.
double RegisterBatch(int records) {
    const zumaset::test::TempDir scratch;
    zumaset::Settings settings;
    settings.LogsPath = scratch.path().string() + "/";
    settings.ErrLogPath = settings.LogsPath;
    const zumaset::SystemClock clock;
    const zumaset::Logs logs(settings, clock, scratch.path());
    zumaset::ReceiptRegister reg;
    reg.LoadRegister(logs);
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < records; ++n) reg.Add(Name(n), kFolder, "CZ510000", clock.Now());
    const double seconds = Seconds(std::chrono::steady_clock::now() - start).count();
    if (reg.SaveFailed()) {
        std::fprintf(stderr, "the register could not be saved\n");
        std::exit(1);
    }
    reg.Close();
    return seconds;
}

// Reference: each record appended as one line and synced.
double AppendBatch(int records) {
    const zumaset::test::TempDir scratch;
    const zumaset::SystemClock clock;
    const std::string file = (scratch.path() / "Zumaset.sav").string();
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror(file.c_str());
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < records; ++n) {
        const std::string line = zumaset::FormatRegisterLine({Name(n), kFolder, "CZ510000", clock.Now()}) + "\r\n";
        if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || ::fsync(fd) != 0) {
            std::perror("append");
            std::exit(1);
        }
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes{1000, 5000};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--sizes=", 8) == 0) {
            sizes.clear();
            for (const char* p = argv[i] + 8; *p != '\0';) {
                char* end = nullptr;
                sizes.push_back(static_cast<int>(std::strtol(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
            }
        }
    }
    std::printf("%8s %14s %14s %12s %12s %8s\n", "records", "rewrite s", "append s", "rewrite ms/1", "append ms/1",
                "ratio");
    for (const int records : sizes) {
        std::vector<double> rewrite, append;
        for (int run = 0; run < kRuns; ++run) {
            rewrite.push_back(RegisterBatch(records));
            append.push_back(AppendBatch(records));
        }
        const double r = Median(rewrite), a = Median(append);
        std::printf("%8d %14.3f %14.3f %12.3f %12.3f %8.2f\n", records, r, a, 1000 * r / records, 1000 * a / records,
                    r / a);
    }
    return 0;
}
