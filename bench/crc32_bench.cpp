// Speed of the transfer checksum against zlib's crc32() on the same buffers in
// the same run. The buffers are decimal digits, as the upload's text kind sends
// them. After the benchmarks the program prints the speed ratios of the
// medians: "ratio dispatched/zlib" >= 1.0 means CalcCrc32 is at least as fast.

#include "exchange/crc32.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

constexpr int kRepetitions = 5;
constexpr double kMinSecondsPerRepetition = 0.2;
const std::vector<std::size_t> kSizes = {100000, 1u << 20};

std::shared_ptr<const std::string> DigitText(std::size_t size) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> digit('0', '9');
    auto text = std::make_shared<std::string>(size, '0');
    for (char& ch : *text) {
        ch = static_cast<char>(digit(random));
    }
    return text;
}

std::uint32_t ZlibCrc32(const std::string& text) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

// Shows the usual console table and keeps the median time of every benchmark.
class MedianCollector final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
                medianNanoseconds_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                    benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const std::map<std::string, double>& Medians() const { return medianNanoseconds_; }

private:
    std::map<std::string, double> medianNanoseconds_;
};

std::string Name(const char* path, std::size_t size) {
    return std::string(path) + "/" + std::to_string(size);
}

template <typename Checksum>
void Register(const char* path, std::size_t size, std::shared_ptr<const std::string> text, Checksum checksum) {
    benchmark::RegisterBenchmark(Name(path, size).c_str(),
                                 [text, checksum](benchmark::State& state) {
                                     for (auto _ : state) {
                                         benchmark::DoNotOptimize(checksum(*text));
                                     }
                                     state.SetBytesProcessed(
                                         static_cast<std::int64_t>(state.iterations() * text->size()));
                                 })
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(kMinSecondsPerRepetition);
}

void PrintSummary(const std::map<std::string, double>& medians) {
    std::printf("\nCalcCrc32 path on this processor: %s\n",
                zumaset::Crc32UsesClmul() ? "carry-less multiply" : "portable (slicing by 8)");
    for (const std::size_t size : kSizes) {
        const auto zlib = medians.find(Name("zlib_crc32", size));
        if (zlib == medians.end()) {
            continue;
        }
        for (const char* path : {"dispatched", "portable"}) {
            const auto ours = medians.find(Name(path, size));
            if (ours == medians.end()) {
                continue;
            }
            // Bytes per nanosecond are gigabytes per second.
            std::printf("ratio %s/zlib %zu bytes: %.2f (%.2f GB/s against %.2f GB/s)\n", path, size,
                        zlib->second / ours->second, static_cast<double>(size) / ours->second,
                        static_cast<double>(size) / zlib->second);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    for (const std::size_t size : kSizes) {
        const auto text = DigitText(size);
        if (zumaset::Crc32Update(0, text->data(), text->size()) != ZlibCrc32(*text)) {
            std::fprintf(stderr, "CalcCrc32 and zlib disagree on %zu bytes\n", size);
            return 1;
        }
        Register("dispatched", size, text, [](const std::string& t) { return zumaset::CalcCrc32(t); });
        Register("portable", size, text, [](const std::string& t) { return zumaset::CalcCrc32Portable(t); });
        Register("zlib_crc32", size, text, [](const std::string& t) { return ZlibCrc32(t); });
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintSummary(reporter.Medians());
    return 0;
}
