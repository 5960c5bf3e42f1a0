// Fuzzes ReadTagBlock: any file content, short files included, must read without a crash or an
// exception (the file always exists here).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/sat_tags.h"

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
            (std::filesystem::temp_directory_path() / "corvina-tag-fuzz-XXXXXX").string();
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
    const corvina::TagBlock tags = corvina::ReadTagBlock(path);
    // At most 50 units of at most 3 UTF-8 bytes each.
    for (const std::string* text :
         {&tags.title, &tags.artist, &tags.album, &tags.gbpFileName, &tags.genre}) {
        if (text->size() > 150) std::abort();
    }
    if (tags.track.size() > 3) std::abort();
    return 0;
}
