#pragma once

// What the benchmarks share: a folder of SAT files, the reporter that keeps medians and fastest
// repetitions, and the start-up that runs repetitions in random order.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/formats/sat_tags.h"

namespace corvina::bench {

constexpr int kFileCount = 2000;
constexpr off_t kFileSize = 1 << 20;
constexpr std::size_t kWrittenHead = 1024;

// A full rewrite request with tags of a typical length.
inline const corvina::TagRewrite kRequest{
    corvina::TagTexts{"The Carpenters", "Singles 1969-1981", "ポップス"}, 12,
    "0123456789ABCDEF.GBP"};

// The folder of `count` SAT files, removed at the end. Each file is 1 MB long; only its first
// kilobyte, which holds the tag block, is written, so that making 2 GB of files stays quick.
class SatFolder {
public:
    explicit SatFolder(int count = kFileCount) {
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
        for (int i = 0; i < count; ++i) {
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
    const std::filesystem::path& Folder() const { return dir_; }
    const std::vector<std::filesystem::path>& Paths() const { return paths_; }
    // The first kilobyte of every file, as the rewrite left it.
    const std::array<std::uint8_t, kWrittenHead>& Head() const { return head_; }

private:
    std::array<std::uint8_t, kWrittenHead> head_{};
    std::filesystem::path dir_;
    std::vector<std::filesystem::path> paths_;
    std::size_t next_ = 0;
};

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

// Nine repetitions, reported as their median and their fastest.
inline benchmark::internal::Benchmark* Repeated(benchmark::internal::Benchmark* b) {
    return b->Repetitions(9)
        ->ComputeStatistics(
            "min",
            [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
}

// Initializes Google Benchmark with repetitions run in random order unless told otherwise, so that
// a change in the machine's load falls on baseline and operation alike. False on bad arguments.
inline bool InitializeInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    return !benchmark::ReportUnrecognizedArguments(argCount, args.data());
}

}  // namespace corvina::bench
