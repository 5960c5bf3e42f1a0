// The batch rewrite on a player mounted from a FAT32 file system, as the desktop program runs it:
// Windows paths through a drive map whose F: leads to the player, the texts and a jacket, and the
// undo journal on drive C. Against it, a plain pass over the same files by host path that opens
// each file, reads the bytes the batch owns in its tag block, writes them back and closes it.
// Goal: the run costs at most 1.5 times the plain pass (ratio of the medians, wall clock). The
// same run by host paths, as corvina-cli runs it, is shown beside it, to tell what the drive map
// adds from what the run itself costs.
//
//   CORVINA_FAT_PLAYER=/media/tester/GIGABEAT build/bench/fat_batch_bench
//
// CORVINA_FAT_PLAYER is the player's root folder, holding GBSYSTEM; the SAT files are those of its
// folder MUSIC. Each side is one pass over all of them, repeated in random order.
// bench/fat_batch_ratio.sh makes such a player on a fusefat mount and runs this program on it.
// The jacket files the runs make are removed again; the SAT files keep the last run's tags.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "batch_support.h"
#include "bench_support.h"
#include "core/base/messages.h"
#include "core/base/product.h"
#include "core/formats/gbp.h"
#include "core/formats/player.h"
#include "core/os/clock.h"
#include "core/os/drives.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_writer.h"

namespace {

namespace fs = std::filesystem;
using corvina::bench::RatioReporter;

// A pass over a folder of 2,000 files on fusefat takes seconds: five repetitions of one pass
// each, reported as their median and their fastest.
benchmark::internal::Benchmark* Few(benchmark::internal::Benchmark* b) {
    return corvina::bench::Repeated(b)->Repetitions(5)->Iterations(1)->Unit(
        benchmark::kMillisecond);
}

// The plain pass over one file: the bytes from the artist to the end of the genre, as they are.
void ReadAndWriteBack(const fs::path& path) {
    constexpr std::size_t kSize = corvina::kTagBlockWriteEnd - corvina::kArtistOffset;
    char bytes[kSize];
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0 ||
        ::pread(fd, bytes, kSize, corvina::kArtistOffset) != static_cast<ssize_t>(kSize) ||
        ::pwrite(fd, bytes, kSize, corvina::kArtistOffset) != static_cast<ssize_t>(kSize) ||
        ::close(fd) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!corvina::bench::InitializeInterleaved(argc, argv)) return 1;
    const char* playerEnv = std::getenv("CORVINA_FAT_PLAYER");
    if (playerEnv == nullptr || *playerEnv == '\0') {
        std::fprintf(stderr,
                     "fat_batch_bench: set CORVINA_FAT_PLAYER to the player's root folder\n");
        return 2;
    }
    const fs::path player = fs::absolute(playerEnv);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(player / "MUSIC")) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::toupper);
        if (entry.is_regular_file() && extension == ".SAT")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    if (names.empty() || !fs::is_directory(player / "GBSYSTEM")) {
        std::fprintf(stderr, "fat_batch_bench: no GBSYSTEM or no SAT files in MUSIC under %s\n",
                     player.c_str());
        return 2;
    }

    // The drive map: a prefix of its own whose F: leads to the player, drive C for the journals.
    std::string pattern = (fs::temp_directory_path() / "corvina-fat-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path prefix = pattern;
    const corvina::DriveMap drives(prefix);
    drives.CreateLayout();
    fs::create_symlink(player, prefix / "dosdevices" / "f:");

    std::vector<fs::path> hostPaths;
    std::vector<std::string> targets;  // as the target list holds them
    for (const std::string& name : names) {
        hostPaths.push_back(player / "MUSIC" / name);
        targets.push_back(corvina::JoinPath("F:\\MUSIC", name));
    }
    const corvina::RewriteRequest request = corvina::bench::BatchRequest();
    std::vector<fs::path> jackets;

    Few(benchmark::RegisterBenchmark("PlainPass", [&](benchmark::State& state) {
        for (auto _ : state)
            for (const fs::path& path : hostPaths) ReadAndWriteBack(path);
    }));
    // The run as the program does it, and as corvina-cli does it, by host paths.
    const auto runBatch = [&](benchmark::State& state, corvina::PathSpace& paths,
                              const std::vector<std::string>& files, const std::string& root) {
        corvina::bench::QuietRun quiet;
        for (auto _ : state) {
            corvina::JournalWriter journal(drives, corvina::kProgramName);
            corvina::BatchRun run{paths, quiet, quiet, quiet, [&] { return request; }, &journal};
            const corvina::BatchOutcome outcome = corvina::RunBatch(files, root, run);
            if (outcome.kind != corvina::BatchOutcome::Kind::Done) std::abort();
            jackets.push_back(player / "GBSYSTEM" / "IMAGE" / outcome.jacketName);
        }
    };
    corvina::WindowsPathSpace windowsPaths(drives);
    Few(benchmark::RegisterBenchmark("RunBatch", [&](benchmark::State& state) {
        runBatch(state, windowsPaths, targets, corvina::DeviceRootPath('f'));
    }));
    corvina::HostPathSpace hostPathSpace(player);
    std::vector<std::string> hostTargets;
    for (const fs::path& path : hostPaths) hostTargets.push_back(path.string());
    Few(benchmark::RegisterBenchmark("RunBatchHostPaths", [&](benchmark::State& state) {
        runBatch(state, hostPathSpace, hostTargets, player.string());
    }));

    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_Defaults
                                                 : RatioReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::error_code ec;
    for (const fs::path& jacket : jackets) fs::remove(jacket, ec);
    fs::remove_all(prefix, ec);

    const auto m = reporter.medians, f = reporter.fastest;
    if (!m.count("RunBatch") || !m.count("PlainPass")) return 0;
    // Wall clock only: most of either side's time is spent in the file system's own process.
    std::printf("\nRunBatch / PlainPass over %zu files on %s\n", names.size(), player.c_str());
    std::printf("  median: wall %.3f   fastest: wall %.3f   goal: at most 1.5\n",
                m.at("RunBatch").wall / m.at("PlainPass").wall,
                f.at("RunBatch").wall / f.at("PlainPass").wall);
    if (!m.count("RunBatchHostPaths")) return 0;
    std::printf(
        "RunBatchHostPaths / PlainPass (the same run by host paths, as corvina-cli runs it)\n");
    std::printf("  median: wall %.3f   fastest: wall %.3f\n",
                m.at("RunBatchHostPaths").wall / m.at("PlainPass").wall,
                f.at("RunBatchHostPaths").wall / f.at("PlainPass").wall);
    return 0;
}
