#pragma once
// The input file of a fuzz target that reads files: one file per process, made and unlinked at
// once so that nothing is left behind however the process ends; readers open it again through
// /proc/self/fd.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace corvina::fuzz {

// Replaces the input file's content with `data` and returns a path that opens it.
inline const std::filesystem::path& WriteInput(const std::uint8_t* data, std::size_t size) {
    struct InputFile {
        int fd = -1;
        std::filesystem::path path;
    };
    static const InputFile input = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvina-fuzz-XXXXXX").string();
        InputFile file;
        file.fd = mkstemp(pattern.data());
        if (file.fd < 0 || unlink(pattern.c_str()) != 0) std::abort();
        file.path = "/proc/self/fd/" + std::to_string(file.fd);
        return file;
    }();
    // Written first and cut after: a cut to zero bytes makes ext4 flush the file on every input.
    if (size > 0 && pwrite(input.fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    if (ftruncate(input.fd, static_cast<off_t>(size)) != 0) std::abort();
    return input.path;
}

}  // namespace corvina::fuzz
