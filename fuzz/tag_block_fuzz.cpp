// Fuzzes ReadTagBlock: any file content, short files included, must read without a crash or an
// exception (the file always exists here).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/sat_tags.h"

namespace {

// One file per process, rewritten for every input.
const std::filesystem::path& InputPath() {
    static const std::filesystem::path path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-tag-fuzz-XXXXXX").string();
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RemoveAtExit remover;
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    const corvina::TagBlock tags = corvina::ReadTagBlock(InputPath());
    // At most 50 units of at most 3 UTF-8 bytes each.
    for (const std::string* text :
         {&tags.title, &tags.artist, &tags.album, &tags.gbpFileName, &tags.genre}) {
        if (text->size() > 150) std::abort();
    }
    if (tags.track.size() > 3) std::abort();
    return 0;
}
