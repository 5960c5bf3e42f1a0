// Fuzzes the JPEG decoding through libjpeg: any bytes as a picture file, streamed into the import's
// stretch to a 75x75 jacket picture (the import minus its choice by file extension). Sizes are
// capped far below the program's own limits so that the fuzzer tests parsing, not memory. A
// damaged file must end in FormatError; anything else (a crash, a hang, another exception, a
// picture of the wrong size) is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/jpeg.h"
#include "platform/picture_import.h"

namespace {

// One input file per process, made and removed at once, so that nothing is left behind however
// the process ends; the reader opens it again through /proc/self/fd.
struct InputFile {
    int fd = -1;
    std::filesystem::path path;
};

const InputFile& Input() {
    static const InputFile input = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-jpeg-fuzz-XXXXXX").string();
        InputFile file;
        file.fd = mkstemp(pattern.data());
        if (file.fd < 0 || unlink(pattern.c_str()) != 0) std::abort();
        file.path = "/proc/self/fd/" + std::to_string(file.fd);
        return file;
    }();
    return input;
}

// Replaces the input file's content with `data`.
const std::filesystem::path& WriteInput(const std::uint8_t* data, std::size_t size) {
    const InputFile& input = Input();
    // Written first and cut after: a cut to zero bytes makes ext4 flush the file on every input.
    if (size > 0 && pwrite(input.fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    if (ftruncate(input.fd, static_cast<off_t>(size)) != 0) std::abort();
    return input.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = WriteInput(data, size);
    const corvina::PictureLimits limits{.maxSide = 2048, .maxPixels = std::uint64_t{1} << 20};
    try {
        corvina::AreaScaler scaler(75, 75);
        corvina::DecodeJpeg(path, scaler, limits);
        const corvina::Picture24 picture = scaler.Finish();
        if (picture.width() != 75 || picture.height() != 75) std::abort();
    } catch (const corvina::FormatError&) {
    }
    return 0;
}
