// Fuzzes ReadGbpPicture at the sizes the program asks for (the kind of the input's size, and the
// filer's fixed 75x75) and at two small odd sizes; short files are the interesting case.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/gbp.h"

namespace {

const std::filesystem::path& InputPath() {
    static const std::filesystem::path path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-gbp-fuzz-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0) std::abort();
        close(fd);
        return std::filesystem::path(pattern);
    }();
    return path;
}

struct RemoveAtExit {
    ~RemoveAtExit() {
        std::error_code ec;
        std::filesystem::remove(InputPath(), ec);
    }
};

void Check(int width, int height) {
    const corvina::Picture15 picture = corvina::ReadGbpPicture(InputPath(), width, height);
    if (picture.width() != width || picture.height() != height) std::abort();
    for (const std::uint16_t value : picture.pixels())
        if (value > 0x7FFF) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RemoveAtExit remover;
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    const corvina::GbpKindSize kind = corvina::GbpKindForFileSize(size);
    Check(kind.width, kind.height);
    Check(corvina::kJacketWidth, corvina::kJacketHeight);
    Check(7, 3);
    Check(1, 1);
    return 0;
}
