// Speed of the upload's chunk pipeline (read the file, encode, checksum)
// against memcpy of a large buffer measured in the same run. Speeds are file
// bytes per second; after the benchmarks the program prints the medians and
// the ratio pipeline/memcpy (the text kind should reach at least 1/8).

#include "exchange/file_encoder.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRepetitions = 5;
constexpr double kMinSecondsPerRepetition = 0.5;
constexpr std::size_t kFileSize = 64u << 20; // large against the caches, small enough to stay in the page cache

class MedianCollector final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
                medianNs_[run.run_name.function_name] = run.GetAdjustedRealTime() *
                                                        benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                                        benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const std::map<std::string, double>& Medians() const { return medianNs_; }

private:
    std::map<std::string, double> medianNs_;
};

std::filesystem::path WriteRandomFile(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() / ("zumaset-bench-" + std::to_string(::getpid()) + name);
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> words(kFileSize / 8);
    for (auto& w : words) w = random();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(kFileSize));
    return path;
}

void Memcpy(benchmark::State& state) {
    std::vector<char> from(kFileSize, 1), to(kFileSize, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFileSize);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

// One whole file through the chunker: every chunk read, encoded and checksummed.
void Pipeline(benchmark::State& state, const std::filesystem::path& path) {
    std::string out;
    for (auto _ : state) {
        auto opened = zumaset::FileChunker::Open(path.string(), zumaset::KindOfPath(path.string()));
        auto& chunker = std::get<zumaset::FileChunker>(opened);
        std::int32_t crc = 0;
        for (std::uint64_t i = 0; i < chunker.chunkCount(); ++i) {
            out.clear();
            crc ^= std::get<std::int32_t>(chunker.AppendNextChunk(out));
        }
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

} // namespace

int main(int argc, char** argv) {
    const auto text = WriteRandomFile(".dok");
    const auto xml = WriteRandomFile(".xml");
    auto configure = [](benchmark::internal::Benchmark* b) {
        b->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->MinTime(kMinSecondsPerRepetition)->UseRealTime();
    };
    configure(benchmark::RegisterBenchmark("memcpy", Memcpy));
    configure(benchmark::RegisterBenchmark("pipeline_text", [&](benchmark::State& s) { Pipeline(s, text); }));
    configure(benchmark::RegisterBenchmark("pipeline_xml", [&](benchmark::State& s) { Pipeline(s, xml); }));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove(text);
    std::filesystem::remove(xml);

    const auto& m = reporter.Medians();
    const auto copy = m.find("memcpy");
    if (copy == m.end()) return 0;
    const double copyGBs = static_cast<double>(kFileSize) / copy->second; // bytes per ns = GB/s
    std::printf("\nmemcpy %zu MiB: %.2f GB/s\n", kFileSize >> 20, copyGBs);
    for (const char* name : {"pipeline_text", "pipeline_xml"}) {
        const auto found = m.find(name);
        if (found == m.end()) continue;
        const double gbs = static_cast<double>(kFileSize) / found->second;
        std::printf("%s: %.2f GB/s of file bytes, ratio to memcpy 1/%.1f (%.3f)\n", name, gbs, copyGBs / gbs,
                    gbs / copyGBs);
    }
    return 0;
}
