// Speed of one send pass over a large outbound tree whose files are all held
// back (no office code matches), against `find DIR -type f -size +0c` over the
// same tree in the same run; find also has to read every file's size. After
// the benchmarks the program prints "ratio pass/find": at most 2.0 is the aim.
// Options besides Google Benchmark's: --files=N (default 100000).

#include "core/client_model.h"
#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/mail_notice.h"
#include "core/message_box.h"
#include "outbound/work_up_file.h"

#include "temp_dir.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kRepetitions = 5;
constexpr int kFilesPerFolder = 100;
constexpr int kFoldersPerBranch = 10;

// files non-empty files in branch/folder/ levels: 100 per folder, 10 folders per branch.
void BuildTree(const fs::path& root, int files) {
    for (int n = 0; n < files; ++n) {
        const int folder = n / kFilesPerFolder;
        const fs::path dir = root / ("branch" + std::to_string(folder / kFoldersPerBranch)) /
                             ("CZ" + std::to_string(510000 + folder % kFoldersPerBranch));
        if (n % kFilesPerFolder == 0) fs::create_directories(dir);
        const std::string name = (dir / ("decl_" + std::to_string(n) + ".txt")).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, "declaration\n", 12) != 12 || ::close(fd) != 0) {
            std::perror(name.c_str());
            std::exit(1);
        }
    }
}

// Counts the uploads; none is expected.
class CountingSender final : public zumaset::FileSender {
public:
    std::optional<zumaset::FileIdentity> SendFile(const std::string&, const std::string&, const std::string&,
                                                  const std::string&, const zumaset::FileNode&) override {
        ++calls;
        return std::nullopt;
    }
    long calls = 0;
};

// Runs find with its output thrown away and waits for it.
bool RunFind(const std::string& root) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"find", root, "-type", "f", "-size", "+0c"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class MedianCollector final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
                medianSeconds_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const std::map<std::string, double>& Medians() const { return medianSeconds_; }

private:
    std::map<std::string, double> medianSeconds_;
};

int FileCount(int& argc, char** argv) {
    int files = 100000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0) {
            files = std::atoi(argv[i] + 8);
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    const int files = FileCount(argc, argv);
    zumaset::test::TempDir scratch;
    const fs::path source = scratch.path() / "Na_CU";
    BuildTree(source, files);

    zumaset::Settings settings;
    settings.SourcePath = source.string() + "/";
    settings.RetValPath = (scratch.path() / "Z_CU").string() + "/";
    settings.LogsPath = settings.ErrLogPath = settings.ConLogPath = scratch.path().string() + "/";
    settings.CuMode = 0;
    settings.CuOption = "NOMATCH|CZ510201%";
    // An hour on, so the files just written count as settled and every one is
    // looked at as in a real pass.
    zumaset::FixedClock clock(std::chrono::system_clock::now() + std::chrono::hours(1));
    zumaset::Logs logs(settings, clock);
    zumaset::StreamMessageBoxes boxes;
    zumaset::DroppedMailNotices mail;
    zumaset::FailureReporter reporter(settings, logs, boxes, mail, "zumaset");
    zumaset::ClientModel model(clock);
    CountingSender sender;
    const zumaset::OutboundContext context{settings, logs, reporter, model, sender, scratch.path() / "unarchived",
                                           clock};

    benchmark::RegisterBenchmark("send_pass_held_back",
                                 [&](benchmark::State& state) {
                                     for (auto _ : state) zumaset::SearchSourceFolder(context);
                                     if (sender.calls != 0) state.SkipWithError("a file was sent");
                                 })
        ->Iterations(1)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("find_size_nonzero",
                                 [&](benchmark::State& state) {
                                     for (auto _ : state) {
                                         if (!RunFind(source.string())) state.SkipWithError("find failed");
                                     }
                                 })
        ->Iterations(1)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);

    // One untimed walk of each, so both start with the tree in the cache.
    zumaset::SearchSourceFolder(context);
    RunFind(source.string());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const auto& medians = collector.Medians();
    const auto pass = medians.find("send_pass_held_back");
    const auto find = medians.find("find_size_nonzero");
    if (pass != medians.end() && find != medians.end()) {
        std::printf("\n%d files: send pass %.1f ms, find %.1f ms, ratio pass/find %.2f (aim: at most 2.00)\n", files,
                    pass->second * 1000, find->second * 1000, pass->second / find->second);
    }
    return 0;
}
