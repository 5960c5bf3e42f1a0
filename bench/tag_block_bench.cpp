// Tag block reading and rewriting over 2,000 SAT files of 1 MB, against plain open, the same
// reads or writes, and close of the same files. Prints the two ratios (goal: at most 1.3 each) of
// the medians and of the fastest of nine repetitions, run in random order, and the ratios that
// show which step the difference comes from.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/formats/sat_tags.h"
#include "core/os/files.h"

namespace {

using corvina::bench::kFileCount;
using corvina::bench::kRequest;
using corvina::bench::RatioReporter;
using corvina::bench::SatFolder;

// The ranges a full rewrite writes, as (offset, length).
constexpr std::array<std::pair<off_t, std::size_t>, 5> kWriteRanges = {
    {{256, 124}, {384, 124}, {512, 12}, {528, 43}, {698, 124}}};

// The baselines: what a caller needs at the least, one open, one read of the block's 670 bytes
// (or the rewrite's five writes) and one close of the same file, and nothing else.
void PlainRead(benchmark::State& state, SatFolder& folder) {
    std::array<std::uint8_t, corvina::kTagBlockReadEnd - corvina::kTitleOffset> block{};
    for (auto _ : state) {
        const int fd = ::open(folder.Next().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::pread(fd, block.data(), block.size(), corvina::kTitleOffset) < 0)
            std::abort();
        ::close(fd);
        benchmark::DoNotOptimize(block);
    }
}

void ReadTagBlock(benchmark::State& state, SatFolder& folder) {
    for (auto _ : state) benchmark::DoNotOptimize(corvina::ReadTagBlock(folder.Next()));
}

// The same bytes that the rewrite writes, so that the files read the same whichever of the
// writing benchmarks ran last.
void PlainWrite(benchmark::State& state, SatFolder& folder) {
    const std::uint8_t* head = folder.Head().data();
    for (auto _ : state) {
        const int fd = ::open(folder.Next().c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) std::abort();
        for (const auto& [offset, length] : kWriteRanges)
            if (::pwrite(fd, head + offset, length, offset) != static_cast<ssize_t>(length))
                std::abort();
        ::close(fd);
    }
}

void RewriteTagBlock(benchmark::State& state, SatFolder& folder) {
    for (auto _ : state) corvina::RewriteTagBlock(folder.Next(), kRequest);
}

// Where the difference comes from: the plain read with the type check that the file layer makes
// on the open descriptor; the file layer's open, read and close.
void PlainReadFstat(benchmark::State& state, SatFolder& folder) {
    std::array<std::uint8_t, corvina::kTagBlockReadEnd - corvina::kTitleOffset> block{};
    for (auto _ : state) {
        const int fd = ::open(folder.Next().c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            ::pread(fd, block.data(), block.size(), corvina::kTitleOffset) < 0)
            std::abort();
        ::close(fd);
        benchmark::DoNotOptimize(block);
    }
}

void FileRead(benchmark::State& state, SatFolder& folder) {
    std::array<std::uint8_t, corvina::kTagBlockReadEnd - corvina::kTitleOffset> block{};
    for (auto _ : state) {
        const corvina::File file = corvina::File::OpenRead(folder.Next());
        benchmark::DoNotOptimize(file.ReadAt(corvina::kTitleOffset, block));
    }
}

void FileWrite(benchmark::State& state, SatFolder& folder) {
    const std::uint8_t* head = folder.Head().data();
    for (auto _ : state) {
        corvina::File file = corvina::File::OpenWrite(folder.Next());
        benchmark::DoNotOptimize(file.Size());  // the rewrite's check of the file's length
        for (const auto& [offset, length] : kWriteRanges)
            file.WriteAt(static_cast<std::uint64_t>(offset),
                         std::span<const std::uint8_t>(head + offset, length));
        file.Close();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!corvina::bench::InitializeInterleaved(argc, argv)) return 1;
    SatFolder folder;

    // Each operation and its baseline work on the same files, one file per iteration.
    for (const auto& [name, function] :
         std::vector<std::pair<const char*, void (*)(benchmark::State&, SatFolder&)>>{
             {"PlainRead", PlainRead},
             {"ReadTagBlock", ReadTagBlock},
             {"PlainWrite", PlainWrite},
             {"RewriteTagBlock", RewriteTagBlock},
             {"PlainReadFstat", PlainReadFstat},
             {"FileRead", FileRead},
             {"FileWrite", FileWrite}}) {
        corvina::bench::Repeated(benchmark::RegisterBenchmark(name, [&folder, function](
                                                                        benchmark::State& state) {
            function(state, folder);
        }))->MinTime(0.2);
    }

    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_Defaults
                                                 : RatioReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [&](const char* program, const char* baseline, const char* goal) {
        const auto pm = reporter.medians.find(program);
        const auto bm = reporter.medians.find(baseline);
        const auto pf = reporter.fastest.find(program);
        const auto bf = reporter.fastest.find(baseline);
        if (pm == reporter.medians.end() || bm == reporter.medians.end() ||
            pf == reporter.fastest.end() || bf == reporter.fastest.end()) {
            std::printf("%-15s / %-14s  not measured\n", program, baseline);
            return;
        }
        std::printf("%-15s / %-14s  %5.2f %5.2f    %5.2f %5.2f   %s\n", program, baseline,
                    pm->second.wall / bm->second.wall, pm->second.cpu / bm->second.cpu,
                    pf->second.wall / bf->second.wall, pf->second.cpu / bf->second.cpu, goal);
    };
    std::printf("\nRatios over %d files of 1 MB  median: wall  CPU  fastest: wall  CPU\n",
                kFileCount);
    ratio("ReadTagBlock", "PlainRead", "goal: at most 1.30");
    ratio("RewriteTagBlock", "PlainWrite", "goal: at most 1.30");
    std::printf("Where the difference comes from:\n");
    ratio("PlainReadFstat", "PlainRead", "the type check of the open file");
    ratio("FileRead", "PlainRead", "the file layer: open, read, close");
    ratio("ReadTagBlock", "FileRead", "the tag decoding");
    ratio("FileWrite", "PlainWrite", "the file layer: open, size, writes, close");
    ratio("RewriteTagBlock", "FileWrite", "the tag encoding");
    return 0;
}
