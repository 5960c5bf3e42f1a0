// Fuzzes the JPEG decoding through libjpeg: any bytes as a picture file, streamed into the import's
// stretch to a 75x75 jacket picture (the import minus its choice by file extension). Sizes are
// capped far below the program's own limits so that the fuzzer tests parsing, not memory, and a
// progressive file's coefficients go to the temporary file at a few kilobytes already. A
// damaged file must end in FormatError; anything else (a crash, a hang, another exception, a
// picture of the wrong size) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/base/errors.h"
#include "core/pictures/jpeg.h"
#include "core/pictures/picture_import.h"
#include "fuzz_input.h"

using corvina::fuzz::WriteInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = WriteInput(data, size);
    const corvina::PictureLimits limits{
        .maxSide = 2048, .maxPixels = std::uint64_t{1} << 20, .maxCoefficientMemory = 16 * 1024};
    try {
        corvina::AreaScaler scaler(75, 75);
        corvina::DecodeJpeg(path, scaler, limits);
        const corvina::Picture24 picture = scaler.Finish();
        if (picture.width() != 75 || picture.height() != 75) std::abort();
    } catch (const corvina::FormatError&) {
    }
    return 0;
}
