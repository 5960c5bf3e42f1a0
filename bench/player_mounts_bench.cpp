// The start-up cost of looking for a plugged-in player when none is mounted: the drive letter
// leads nowhere, so the whole system mount table is read and every local mount's root folder is
// listed. The goal is absolute (under 1 ms on a desktop), so this prints times, not ratios.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/os/mounts.h"

namespace fs = std::filesystem;

namespace {

fs::path MakeTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvina-mount-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

// The system's own table, read and scanned at every call, as at start-up.
void BM_UnmappedLetterSystemTable(benchmark::State& state) {
    const fs::path prefix = MakeTempFolder();
    fs::create_directories(prefix / "dosdevices");
    for (auto _ : state) {
        const auto result = corvina::LinkPlayerDrive(prefix, 'f');
        if (result.outcome != corvina::PlayerLink::kNoPlayer) state.SkipWithError("player found");
    }
    fs::remove_all(prefix);
}
BENCHMARK(BM_UnmappedLetterSystemTable)->Unit(benchmark::kMicrosecond);

std::string Escaped(const fs::path& path) {
    std::string text;
    for (char c : path.string()) text += c == ' ' ? std::string("\\040") : std::string(1, c);
    return text;
}

// `local` mounts of real folders with 20 entries each, and the other mounts of a desktop that
// are never looked into: 16 kernel file systems, 24 software images, 2 FUSE mounts.
std::string DesktopTable(const fs::path& root, int local) {
    std::string table;
    int id = 30;
    const auto line = [&](const std::string& point, const char* type, const char* source) {
        table += std::to_string(id) + " 1 0:" + std::to_string(id) + " / " + point +
                 " rw,relatime shared:1 - " + type + " " + source + " rw\n";
        ++id;
    };
    for (int i = 0; i < local; ++i) {
        const fs::path folder = root / ("mount " + std::to_string(i));
        for (int k = 0; k < 20; ++k) fs::create_directories(folder / ("entry" + std::to_string(k)));
        line(Escaped(folder), "ext4", "/dev/sda2");
    }
    for (int i = 0; i < 16; ++i) line("/sys/kernel/x" + std::to_string(i), "sysfs", "sysfs");
    for (int i = 0; i < 24; ++i) line("/snap/x/" + std::to_string(i), "squashfs", "/dev/loop1");
    line("/run/user/1000/doc", "fuse.portal", "portal");
    line("/run/user/1000/gvfs", "fuse.gvfsd-fuse", "gvfsd-fuse");
    return table;
}

// A desktop with 10 local mounts (/, /boot, /boot/efi, /home, /run, /dev/shm, /run/lock,
// /run/user/1000...), and one with 60.
void BM_DesktopTable(benchmark::State& state) {
    const fs::path root = MakeTempFolder();
    const std::string table = DesktopTable(root, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(corvina::FindPlayerRoots(table));
    fs::remove_all(root);
}
BENCHMARK(BM_DesktopTable)->Arg(10)->Arg(60)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
