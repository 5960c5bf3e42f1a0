// The filer page's listing over a folder of 5,000 SAT files, against ReadTagBlock alone over the
// same files. Prints the ratio (goal: at most 1.5) of the medians and of the fastest of nine
// repetitions, run in random order.
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/formats/sat_tags.h"
#include "core/viewers/filer.h"

namespace {

constexpr int kListedFiles = 5000;

using corvina::bench::RatioReporter;
using corvina::bench::SatFolder;

// The baseline: the tag blocks alone, kept as the listing keeps them.
void ReadTagBlocks(benchmark::State& state, const SatFolder& folder,
                   const std::vector<std::string>&) {
    for (auto _ : state) {
        std::vector<corvina::TagBlock> blocks;
        blocks.reserve(folder.Paths().size());
        for (const auto& path : folder.Paths()) blocks.push_back(corvina::ReadTagBlock(path));
        benchmark::DoNotOptimize(blocks.data());
    }
}

void ListTagRows(benchmark::State& state, const SatFolder& folder,
                 const std::vector<std::string>& names) {
    for (auto _ : state) {
        const auto rows = corvina::ListTagRows(folder.Folder(), names);
        benchmark::DoNotOptimize(rows.data());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!corvina::bench::InitializeInterleaved(argc, argv)) return 1;
    const SatFolder folder(kListedFiles);
    std::vector<std::string> names;
    for (const auto& path : folder.Paths()) names.push_back(path.filename().string());

    using Function = void (*)(benchmark::State&, const SatFolder&, const std::vector<std::string>&);
    for (const auto& [name, function] : std::vector<std::pair<const char*, Function>>{
             {"ReadTagBlocks", ReadTagBlocks}, {"ListTagRows", ListTagRows}}) {
        corvina::bench::Repeated(
            benchmark::RegisterBenchmark(name,
                                         [&folder, &names, function](benchmark::State& state) {
                                             function(state, folder, names);
                                         }))
            ->MinTime(0.3)
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
        kListedFiles, reporter.medians[program].wall / reporter.medians[baseline].wall,
        reporter.fastest[program].wall / reporter.fastest[baseline].wall);
    return 0;
}
