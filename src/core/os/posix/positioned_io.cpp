#include "core/os/posix/positioned_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace corvina {

ReadResult ReadFullyAt(int fd, std::uint64_t offset, std::span<std::uint8_t> buffer) noexcept {
    ReadResult result;
    if (offset > static_cast<std::uint64_t>(INT64_MAX) - buffer.size()) {
        result.error = EINVAL;
        return result;
    }
    while (result.done < buffer.size()) {
        const ssize_t got = ::pread(fd, buffer.data() + result.done, buffer.size() - result.done,
                                    static_cast<off_t>(offset + result.done));
        if (got < 0) {
            if (errno == EINTR) continue;
            result.error = errno;
            break;
        }
        if (got == 0) break;  // end of file
        result.done += static_cast<std::size_t>(got);
    }
    return result;
}

int WriteFullyAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) noexcept {
    if (offset > static_cast<std::uint64_t>(INT64_MAX) - bytes.size()) return EFBIG;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                     static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // A write that makes no progress would loop for ever; the medium is full.
        if (put == 0) return ENOSPC;
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

}  // namespace corvina
