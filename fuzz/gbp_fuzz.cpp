// Fuzzes ReadGbpPicture at the sizes the program asks for (the kind of the input's size, and the
// filer's fixed 75x75) and at two small odd sizes; short files are the interesting case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/formats/gbp.h"
#include "fuzz_input.h"

using corvina::fuzz::WriteInput;

namespace {

void Check(const std::filesystem::path& path, int width, int height) {
    const corvina::Picture15 picture = corvina::ReadGbpPicture(path, width, height);
    if (picture.width() != width || picture.height() != height) std::abort();
    for (const std::uint16_t value : picture.pixels())
        if (value > 0x7FFF) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = WriteInput(data, size);
    const corvina::GbpKindSize kind = corvina::GbpKindForFileSize(size);
    Check(path, kind.width, kind.height);
    Check(path, corvina::kJacketWidth, corvina::kJacketHeight);
    Check(path, 7, 3);
    Check(path, 1, 1);
    return 0;
}
