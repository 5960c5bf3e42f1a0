// Fuzzes ReadGbpPicture at the sizes the program asks for (the kind of the input's size, and the
// filer's fixed 75x75) and at two small odd sizes; short files are the interesting case.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/gbp.h"

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
            (std::filesystem::temp_directory_path() / "corvina-gbp-fuzz-XXXXXX").string();
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
