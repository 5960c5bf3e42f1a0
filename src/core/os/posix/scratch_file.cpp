#include "core/os/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace corvina {

namespace {

int MoveBytes(int scratch, char* bytes, std::size_t count, std::uint64_t offset,
              bool write) noexcept {
    auto position = static_cast<off_t>(offset);
    for (std::size_t done = 0; done < count;) {
        const ssize_t moved = write ? ::pwrite(scratch, bytes + done, count - done, position)
                                    : ::pread(scratch, bytes + done, count - done, position);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) return moved < 0 ? errno : (write ? ENOSPC : EIO);
        done += static_cast<std::size_t>(moved);
        position += moved;
    }
    return 0;
}

}  // namespace

// O_TMPFILE makes a file without a name; where the file system lacks it, a named file is made
// and its name removed at once.
int OpenScratchFile() noexcept {
    try {
        std::error_code error;
        std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        if (error) folder = "/tmp";
        int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        std::string pattern = (folder / "corvina-jpeg-XXXXXX").string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(pattern.c_str());
        return fd;
    } catch (...) {
        return -1;
    }
}

void CloseScratchFile(int scratch) noexcept { ::close(scratch); }

int WriteScratch(int scratch, const void* bytes, std::size_t count, std::uint64_t offset) noexcept {
    return MoveBytes(scratch, const_cast<char*>(static_cast<const char*>(bytes)), count, offset,
                     true);
}

int ReadScratch(int scratch, void* bytes, std::size_t count, std::uint64_t offset) noexcept {
    return MoveBytes(scratch, static_cast<char*>(bytes), count, offset, false);
}

}  // namespace corvina
