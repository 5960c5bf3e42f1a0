// Fuzzes ReadTagBlock: any file content, short files included, must read without a crash or an
// exception (the file always exists here).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/formats/sat_tags.h"
#include "fuzz_input.h"

using corvina::fuzz::WriteInput;

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
