// Picture import against libjpeg's own full decode of the same file: the largest JPEG of the
// third-party samples (a 6000x4000 progressive photo) and a 6000x4000 baseline JPEG made at
// start, each imported to 75x75 and to 240x320. Prints, from the same run, the ratio of import
// time to full-decode time (goal: at most 1.15) and the import's peak memory (goal: under 8 MB).
//
// Memory is measured by counting the heap: this program replaces malloc and its relatives with
// thin wrappers around glibc's own (__libc_malloc...), which keep the bytes in use (as
// malloc_usable_size reports them) and their peak. libjpeg's memory manager, operator new and
// the standard library all allocate through malloc, so the peak covers everything the import
// holds on the heap: libjpeg's working memory, its row buffers, the stretch's sums and the
// result. Stack and code are not counted (a few kilobytes of stack at most), nor is the temporary
// file that holds a progressive file's coefficients beyond 4 MB (it lives in the system's file
// cache or on disc; the in-memory decode is measured beside it).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/pictures/jpeg.h"
#include "core/pictures/jpeg_maker.h"
#include "core/pictures/picture_import.h"

// ---- heap counting --------------------------------------------------------------------------

extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<std::int64_t> gHeapInUse{0};
std::atomic<std::int64_t> gHeapPeak{0};

void Counted(void* pointer) {
    if (pointer == nullptr) return;
    const std::int64_t now =
        gHeapInUse.fetch_add(static_cast<std::int64_t>(malloc_usable_size(pointer)),
                             std::memory_order_relaxed) +
        static_cast<std::int64_t>(malloc_usable_size(pointer));
    std::int64_t peak = gHeapPeak.load(std::memory_order_relaxed);
    while (now > peak && !gHeapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

void Uncounted(void* pointer) {
    if (pointer != nullptr)
        gHeapInUse.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(pointer)),
                             std::memory_order_relaxed);
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) {
    void* p = __libc_malloc(size);
    Counted(p);
    return p;
}
void free(void* pointer) {
    Uncounted(pointer);
    __libc_free(pointer);
}
void* calloc(std::size_t count, std::size_t size) {
    void* p = __libc_calloc(count, size);
    Counted(p);
    return p;
}
void* realloc(void* pointer, std::size_t size) {
    const auto before = pointer ? static_cast<std::int64_t>(malloc_usable_size(pointer)) : 0;
    void* p = __libc_realloc(pointer, size);
    if (p != nullptr || size == 0) {
        gHeapInUse.fetch_sub(before, std::memory_order_relaxed);
        Counted(p);
    }
    return p;
}
void* memalign(std::size_t alignment, std::size_t size) {
    void* p = __libc_memalign(alignment, size);
    Counted(p);
    return p;
}
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* p = memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}
}

namespace {

// Runs `work` and returns the most heap it held at once beyond what was in use before.
template <typename Work>
std::int64_t PeakHeap(Work&& work) {
    const std::int64_t before = gHeapInUse.load();
    gHeapPeak.store(before);
    work();
    return gHeapPeak.load() - before;
}

// ---- the files ------------------------------------------------------------------------------

constexpr corvina::PictureLimits kAllInMemory{.maxCoefficientMemory = UINT64_MAX};

constexpr int kGeneratedWidth = 6000;
constexpr int kGeneratedHeight = 4000;

struct Sample {
    std::string label;
    std::filesystem::path path;
};

std::string ImportName(const Sample& sample, int width, int height) {
    return "Import/" + sample.label + "/" + std::to_string(width) + "x" + std::to_string(height);
}

// A photo-like 6000x4000 baseline JPEG: smooth colour gradients with fine texture, quality 90,
// libjpeg's default 4:2:0 subsampling.
std::filesystem::path MakeGeneratedJpeg(const std::filesystem::path& folder) {
    const auto path = folder / "generated-6000x4000.jpg";
    const auto bytes = corvina::test::EncodeJpeg(
        kGeneratedWidth, kGeneratedHeight, {.quality = 90}, [](int y, std::uint8_t* row) {
            for (int x = 0; x < kGeneratedWidth; ++x) {
                const unsigned noise =
                    (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >>
                    28;
                row[x * 3] = static_cast<std::uint8_t>(x * 200 / kGeneratedWidth + noise);
                row[x * 3 + 1] = static_cast<std::uint8_t>(y * 200 / kGeneratedHeight + noise);
                row[x * 3 + 2] =
                    static_cast<std::uint8_t>(((x / 40 + y / 40) % 2) * 120 + noise * 3);
            }
        });
    corvina::test::WriteFileBytes(path, bytes);
    return path;
}

// libjpeg's own full decode, as a program that keeps the whole picture does it: stdio source,
// default options, RGB out, every row into one full-size buffer.
std::vector<std::uint8_t> FullDecode(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) std::abort();
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t rowBytes = std::size_t{cinfo.output_width} * 3;
    std::vector<std::uint8_t> picture(rowBytes * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = picture.data() + rowBytes * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return picture;
}

// A sink that only looks at each row: what libjpeg itself needs to stream the file.
class NullSink final : public corvina::PictureSink {
public:
    void Start(int, int, corvina::RowOrder) override {}
    void Row(std::span<const std::uint8_t> rgb) override { benchmark::DoNotOptimize(rgb.data()); }
};

// Keeps each benchmark's real time per iteration, for the ratios printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const auto iterations = static_cast<double>(run.iterations);
            times[run.run_name.function_name] = {run.real_accumulated_time / iterations,
                                                 run.cpu_accumulated_time / iterations};
        }
        ConsoleReporter::ReportRuns(runs);
    }
    struct Times {
        double real;  // seconds per iteration
        double cpu;
    };
    std::map<std::string, Times> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvina-picture-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const std::filesystem::path folder = pattern;

    std::vector<Sample> samples;
    const std::filesystem::path largest = std::filesystem::path(CORVINA_TESTDATA_DIR) / "jpeg" /
                                          "rachel-hisko-rEM3cK8F1pk-unsplash.jpg";
    if (std::filesystem::exists(largest)) {
        samples.push_back({"progressive-6000x4000", largest});
    } else {
        std::fprintf(stderr, "note: %s not found; measuring the generated file only\n",
                     largest.c_str());
    }
    std::fprintf(stderr, "making a 6000x4000 baseline JPEG...\n");
    samples.push_back({"baseline-6000x4000", MakeGeneratedJpeg(folder)});

    const std::vector<std::pair<int, int>> sizes = {{75, 75}, {240, 320}};
    for (const Sample& sample : samples) {
        benchmark::RegisterBenchmark(("FullDecode/" + sample.label).c_str(),
                                     [path = sample.path](benchmark::State& state) {
                                         for (auto _ : state)
                                             benchmark::DoNotOptimize(FullDecode(path));
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(2.0);
        benchmark::RegisterBenchmark(("StreamDecode/" + sample.label).c_str(),
                                     [path = sample.path](benchmark::State& state) {
                                         NullSink sink;
                                         for (auto _ : state) corvina::DecodeJpeg(path, sink);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(2.0);
        // The same with a progressive file's coefficients kept in memory: the temporary file's
        // cost shows as StreamDecode's excess over it.
        benchmark::RegisterBenchmark(("StreamDecodeInMemory/" + sample.label).c_str(),
                                     [path = sample.path](benchmark::State& state) {
                                         NullSink sink;
                                         for (auto _ : state)
                                             corvina::DecodeJpeg(path, sink, kAllInMemory);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(2.0);
        for (const auto& [width, height] : sizes) {
            benchmark::RegisterBenchmark(
                ImportName(sample, width, height).c_str(),
                [path = sample.path, width = width, height = height](benchmark::State& state) {
                    for (auto _ : state)
                        benchmark::DoNotOptimize(corvina::ImportPicture(path, width, height));
                })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(2.0);
        }
    }
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // CPU time is the fairer measure on a busy machine; both come from the same runs.
    const auto printRatio = [&](const std::string& label, const std::string& measured,
                                const std::string& base) {
        const auto top = reporter.times.find(measured);
        const auto bottom = reporter.times.find(base);
        if (top == reporter.times.end() || bottom == reporter.times.end()) return;
        std::printf("  %-40s %8.3f %8.3f\n", label.c_str(), top->second.real / bottom->second.real,
                    top->second.cpu / bottom->second.cpu);
    };
    std::printf("\nImport time / libjpeg's full decode (goal: at most 1.15)\n");
    std::printf("  %-40s %8s %8s\n", "", "real", "cpu");
    for (const Sample& sample : samples)
        for (const auto& [width, height] : sizes) {
            const std::string name = ImportName(sample, width, height);
            printRatio(name, name, "FullDecode/" + sample.label);
        }
    // For insight: the same decode into a sink that keeps nothing, so the stretch's own share
    // shows as the import's excess over it.
    std::printf("Import time / the import's decode alone (no stretch, no full-size buffer)\n");
    for (const Sample& sample : samples)
        for (const auto& [width, height] : sizes) {
            const std::string name = ImportName(sample, width, height);
            printRatio(name, name, "StreamDecode/" + sample.label);
        }
    std::printf("Decode with coefficients in a temporary file / in memory\n");
    for (const Sample& sample : samples)
        printRatio(sample.label, "StreamDecode/" + sample.label,
                   "StreamDecodeInMemory/" + sample.label);

    std::printf("\nPeak heap, MB (goal for the import: under 8)\n");
    const auto mb = [](std::int64_t bytes) { return static_cast<double>(bytes) / (1 << 20); };
    for (const Sample& sample : samples) {
        std::printf("  %s\n", sample.label.c_str());
        for (const auto& [width, height] : sizes) {
            const std::int64_t peak = PeakHeap([&] {
                benchmark::DoNotOptimize(corvina::ImportPicture(sample.path, width, height));
            });
            std::printf("    import to %dx%d:%*s%8.2f\n", width, height, width < 100 ? 10 : 8, "",
                        mb(peak));
        }
        NullSink sink;
        const std::int64_t streaming = PeakHeap([&] { corvina::DecodeJpeg(sample.path, sink); });
        std::printf("    libjpeg streaming alone:  %8.2f\n", mb(streaming));
        const std::int64_t inMemory =
            PeakHeap([&] { corvina::DecodeJpeg(sample.path, sink, kAllInMemory); });
        std::printf("    the same, all in memory:  %8.2f\n", mb(inMemory));
        const std::int64_t full =
            PeakHeap([&] { benchmark::DoNotOptimize(FullDecode(sample.path)); });
        std::printf("    libjpeg full decode:      %8.2f\n", mb(full));
    }

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    benchmark::Shutdown();
    return 0;
}
