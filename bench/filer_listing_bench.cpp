// The filer page's listing over a folder of 5,000 SAT files, against ReadTagBlock alone over the
// same files. Prints the ratio (goal: at most 1.5) of the medians and of the fastest of nine
// repetitions, run in random order.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "formats/sat_tags.h"
#include "viewers/filer.h"

namespace {

constexpr int kFileCount = 5000;
constexpr off_t kFileSize = 1 << 20;

// A folder of SAT files with full tags, removed at the end. Each is 1 MB long and sparse beyond
// its tag block, so that making them stays quick.
class SatFolder {
public:
    SatFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-filer-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir_ = pattern;
        const corvina::TagRewrite request{
            corvina::TagTexts{"The Carpenters", "Singles 1969-1981", "ポップス"}, 12,
            "0123456789ABCDEF.GBP"};
        for (int i = 0; i < kFileCount; ++i) {
            names_.push_back("T" + std::to_string(10000 + i) + ".SAT");
            paths_.push_back(dir_ / names_.back());
            const int fd = ::open(paths_.back().c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd < 0 || ::ftruncate(fd, kFileSize) != 0) std::abort();
            ::close(fd);
            corvina::RewriteTagBlock(paths_.back(), request);
        }
    }
    ~SatFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& dir() const { return dir_; }
    const std::vector<std::string>& names() const { return names_; }
    const std::vector<std::filesystem::path>& paths() const { return paths_; }

private:
    std::filesystem::path dir_;
    std::vector<std::string> names_;
    std::vector<std::filesystem::path> paths_;
};

// The baseline: the tag blocks alone, kept as the listing keeps them.
void ReadTagBlocks(benchmark::State& state, const SatFolder& folder) {
    for (auto _ : state) {
        std::vector<corvina::TagBlock> blocks;
        blocks.reserve(folder.paths().size());
        for (const auto& path : folder.paths()) blocks.push_back(corvina::ReadTagBlock(path));
        benchmark::DoNotOptimize(blocks.data());
    }
}

void ListTagRows(benchmark::State& state, const SatFolder& folder) {
    for (auto _ : state) {
        const auto rows = corvina::ListTagRows(folder.dir(), folder.names());
        benchmark::DoNotOptimize(rows.data());
    }
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate) continue;
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            if (run.aggregate_name == "min")
                fastest[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
    std::map<std::string, double> fastest;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    if (benchmark::ReportUnrecognizedArguments(argCount, args.data())) return 1;
    const SatFolder folder;

    for (const auto& [name, function] :
         std::vector<std::pair<const char*, void (*)(benchmark::State&, const SatFolder&)>>{
             {"ReadTagBlocks", ReadTagBlocks}, {"ListTagRows", ListTagRows}}) {
        benchmark::RegisterBenchmark(
            name, [&folder, function](benchmark::State& state) { function(state, folder); })
            ->Repetitions(9)
            ->MinTime(0.3)
            ->ComputeStatistics(
                "min",
                [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    }
    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_Defaults
                                                 : RatioReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const char* program = "ListTagRows";
    const char* baseline = "ReadTagBlocks";
    if (!reporter.medians.count(program) || !reporter.medians.count(baseline) ||
        !reporter.fastest.count(program) || !reporter.fastest.count(baseline)) {
        std::printf("%s / %s  not measured\n", program, baseline);
        return 0;
    }
    std::printf(
        "\nListing of %d SAT files / ReadTagBlock alone  median: %5.2f  fastest: %5.2f  "
        "goal: at most 1.50\n",
        kFileCount, reporter.medians[program] / reporter.medians[baseline],
        reporter.fastest[program] / reporter.fastest[baseline]);
    return 0;
}
