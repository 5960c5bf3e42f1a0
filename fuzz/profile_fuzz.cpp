// Fuzzes the profile file reader and writer: any bytes as the file's content. Reading never
// fails and respects the buffer size; a written key reads back as written, and the other keys
// read as before.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/text/cp932.h"
#include "core/text/profile.h"

namespace {

// A folder of our own, in memory where the system has such a folder, since every write syncs.
const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "corvina-profile-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return std::filesystem::path(pattern);
    }();
    return folder;
}

struct RemoveAtExit {
    ~RemoveAtExit() {
        std::error_code ec;
        std::filesystem::remove_all(Folder(), ec);
    }
};

constexpr const char* kSections[] = {"Fundamental setting", "s", "ゾ", ""};
constexpr const char* kKeys[] = {"Drive", "k", "表"};
constexpr std::size_t kSizes[] = {0, 1, 2, 3, 2048};

std::string Read(const char* section, const char* key, std::size_t size,
                 const std::filesystem::path& file) {
    const std::string value = corvina::GetPrivateProfileString(section, key, "d", size, file);
    // Unmapped pairs come back as U+FFFD, which goes back as one byte: never more than fit.
    if (corvina::cp932::Utf8ToCp932(value).size() > (size == 0 ? 0 : size - 1)) std::abort();
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RemoveAtExit remover;
    const std::filesystem::path file = Folder() / "Corvina.ini";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);

    std::string before[std::size(kSections)][std::size(kKeys)];
    for (std::size_t s = 0; s < std::size(kSections); ++s) {
        for (std::size_t k = 0; k < std::size(kKeys); ++k) {
            for (std::size_t bufferSize : kSizes) Read(kSections[s], kKeys[k], bufferSize, file);
            before[s][k] = Read(kSections[s], kKeys[k], 2048, file);
        }
    }

    const std::string room = "C:\\Program Files\\表\\GBRoom.exe";
    corvina::WritePrivateProfileString("Fundamental setting", "Room", room, file);
    if (Read("Fundamental setting", "Room", 2048, file) != room) std::abort();
    for (std::size_t s = 0; s < std::size(kSections); ++s) {
        for (std::size_t k = 0; k < std::size(kKeys); ++k) {
            if (Read(kSections[s], kKeys[k], 2048, file) != before[s][k]) std::abort();
        }
    }
    return 0;
}
