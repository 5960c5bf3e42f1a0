// Fuzzes the Windows bitmap reader: any bytes as a ".bmp" file, imported to a 75x75 jacket
// picture. Sizes are capped far below the program's own limits so that the fuzzer tests parsing,
// not memory. A damaged file must end in FormatError; anything else (a crash, a hang, another
// exception, a picture of the wrong size) is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/picture_import.h"

namespace {

const std::filesystem::path& InputFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-bitmap-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return std::filesystem::path(pattern);
    }();
    return folder;
}

struct RemoveAtExit {
    ~RemoveAtExit() {
        std::error_code ec;
        std::filesystem::remove_all(InputFolder(), ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RemoveAtExit remover;
    static const std::filesystem::path input = InputFolder() / "input.bmp";
    std::FILE* file = std::fopen(input.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    const corvina::PictureLimits limits{.maxSide = 2048, .maxPixels = std::uint64_t{1} << 20};
    try {
        const corvina::Picture24 picture = corvina::ImportPicture24(input, 75, 75, limits);
        if (picture.width() != 75 || picture.height() != 75) std::abort();
    } catch (const corvina::FormatError&) {
    }
    return 0;
}
