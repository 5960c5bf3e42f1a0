// The batch rewrite over 2,000 SAT files of 1 MB (texts and a jacket, as a batch without track
// numbers can be that long), with its journal written to a drive map's drive C as corvina-cli
// batch keeps it, against the tag block rewrites alone of the same files with the same changes.
// Prints the ratio of the medians and of the fastest of nine repetitions, run in random order
// (goal: at most 1.5). The run reads every file before it writes any and opens each again to
// rewrite it. Its two pauses, which only let the progress window show, are left out, and its
// progress goes nowhere.
#include <filesystem>
#include <string>
#include <vector>

#include "batch_support.h"
#include "bench_support.h"
#include "core/base/messages.h"
#include "core/base/product.h"
#include "core/formats/gbp.h"
#include "core/os/clock.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_writer.h"

namespace {

using corvina::bench::kFileCount;
using corvina::bench::RatioReporter;
using corvina::bench::SatFolder;

}  // namespace

int main(int argc, char** argv) {
    if (!corvina::bench::InitializeInterleaved(argc, argv)) return 1;
    SatFolder folder;
    // The player: the files lie in its root, next to GBSYSTEM\IMAGE.
    std::filesystem::create_directories(folder.Folder() / "GBSYSTEM" / "IMAGE");
    std::vector<std::string> targets;
    for (const auto& path : folder.Paths()) targets.push_back(path.string());
    const corvina::RewriteRequest request = corvina::bench::BatchRequest();

    corvina::bench::Repeated(benchmark::RegisterBenchmark("RewriteTagBlocks", [&](benchmark::State&
                                                                                      state) {
        corvina::TagRewrite changes;
        changes.texts = request.texts;
        changes.jacketName = "0123456789ABCDEF.GBP";
        for (auto _ : state)
            for (const auto& path : folder.Paths()) corvina::RewriteTagBlock(path, changes);
    }))->Iterations(3);
    // The prefix lies beside the SAT files and goes with them.
    const corvina::DriveMap drives(folder.Folder() / "prefix");
    drives.CreateLayout();  // drive C, which holds the undo folder
    corvina::bench::Repeated(
        benchmark::RegisterBenchmark(
            "RunBatchWithJournal",
            [&](benchmark::State& state) {
                corvina::bench::QuietRun quiet;
                corvina::HostPathSpace paths(folder.Folder());
                for (auto _ : state) {
                    corvina::JournalWriter journal(drives, corvina::kCliProgramName);
                    corvina::BatchRun run{paths,   quiet, quiet, quiet, [&] { return request; },
                                          &journal};
                    if (corvina::RunBatch(targets, folder.Folder().string(), run).kind !=
                        corvina::BatchOutcome::Kind::Done)
                        std::abort();
                }
            }))
        ->Iterations(3);

    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_Defaults
                                                 : RatioReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto m = reporter.medians, f = reporter.fastest;
    if (!m.count("RunBatchWithJournal") || !m.count("RewriteTagBlocks")) return 0;
    std::printf("RunBatchWithJournal / RewriteTagBlocks over %d files of 1 MB\n", kFileCount);
    std::printf(
        "  median: wall %.3f  CPU %.3f   fastest: wall %.3f  CPU %.3f   goal: at most 1.5\n",
        m.at("RunBatchWithJournal").wall / m.at("RewriteTagBlocks").wall,
        m.at("RunBatchWithJournal").cpu / m.at("RewriteTagBlocks").cpu,
        f.at("RunBatchWithJournal").wall / f.at("RewriteTagBlocks").wall,
        f.at("RunBatchWithJournal").cpu / f.at("RewriteTagBlocks").cpu);
    return 0;
}
