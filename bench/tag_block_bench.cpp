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

#include "formats/sat_tags.h"
#include "platform/files.h"

namespace {

constexpr int kFileCount = 2000;
constexpr off_t kFileSize = 1 << 20;
constexpr std::size_t kWrittenHead = 1024;

// A full rewrite request with tags of a typical length.
const corvina::TagRewrite kRequest{
    corvina::TagTexts{"The Carpenters", "Singles 1969-1981", "ポップス"}, 12,
    "0123456789ABCDEF.GBP"};

// The folder of SAT files, removed at the end. Each file is 1 MB long; only its first kilobyte,
// which holds the tag block, is written, so that making 2 GB of files stays quick.
class SatFolder {
public:
    SatFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-tag-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir_ = pattern;
        // The player's own bytes as a pattern and a 22-character title; the other tags come from
        // a rewrite below, so that the block looks like one that the program has written.
        std::array<std::uint8_t, kWrittenHead> head{};
        for (std::size_t i = 0; i < head.size(); ++i)
            head[i] = static_cast<std::uint8_t>(i * 7 + 1);
        const std::u16string title = u"イエスタデイ・ワンス・モア (Live)";
        std::fill_n(head.begin() + corvina::kTitleOffset, corvina::kTextReadSize, 0);
        for (std::size_t k = 0; k < title.size(); ++k) {
            head[corvina::kTitleOffset + 2 * k] = static_cast<std::uint8_t>(title[k] & 0xFF);
            head[corvina::kTitleOffset + 2 * k + 1] = static_cast<std::uint8_t>(title[k] >> 8);
        }
        for (int i = 0; i < kFileCount; ++i) {
            paths_.push_back(dir_ / ("T" + std::to_string(i) + ".SAT"));
            const int fd = ::open(paths_.back().c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd < 0 || ::ftruncate(fd, kFileSize) != 0 ||
                ::pwrite(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()))
                std::abort();
            ::close(fd);
            corvina::RewriteTagBlock(paths_.back(), kRequest);
        }
        const int fd = ::open(paths_.front().c_str(), O_RDONLY);
        if (fd < 0 ||
            ::pread(fd, head_.data(), head_.size(), 0) != static_cast<ssize_t>(kWrittenHead))
            std::abort();
        ::close(fd);
    }
    ~SatFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& Next() { return paths_[next_++ % paths_.size()]; }
    // The first kilobyte of every file, as the rewrite left it.
    const std::array<std::uint8_t, kWrittenHead>& Head() const { return head_; }

private:
    std::array<std::uint8_t, kWrittenHead> head_{};
    std::filesystem::path dir_;
    std::vector<std::filesystem::path> paths_;
    std::size_t next_ = 0;
};

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

// Keeps, for each benchmark, the median and the fastest of its repetitions (time per iteration,
// wall clock and CPU).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;
    struct Times {
        double wall = 0;
        double cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate) continue;
            const Times times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            if (run.aggregate_name == "median") medians[run.run_name.function_name] = times;
            if (run.aggregate_name == "min") fastest[run.run_name.function_name] = times;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> medians;
    std::map<std::string, Times> fastest;
};

}  // namespace

int main(int argc, char** argv) {
    // Repetitions of the benchmarks run in random order unless told otherwise, so that a
    // change in the machine's load falls on baseline and operation alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    if (benchmark::ReportUnrecognizedArguments(argCount, args.data())) return 1;
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
        benchmark::RegisterBenchmark(
            name, [&folder, function](benchmark::State& state) { function(state, folder); })
            ->Repetitions(9)
            ->MinTime(0.2)
            ->ComputeStatistics(
                "min",
                [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond);
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
