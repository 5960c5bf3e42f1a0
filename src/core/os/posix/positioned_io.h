#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Reading and writing a whole buffer at a position of an open file descriptor, going on after
// interruptions and short transfers: the one loop every file of the POSIX layer uses.
namespace corvina {

struct ReadResult {
    std::size_t done = 0;  // bytes read; fewer than asked at the end of the file or on a failure
    int error = 0;         // 0, or the errno value of the failure
};

// Reads `buffer.size()` bytes at `offset`, or as many as the file holds from there.
ReadResult ReadFullyAt(int fd, std::uint64_t offset, std::span<std::uint8_t> buffer) noexcept;

// Writes all of `bytes` at `offset`; 0 or the errno value of the failure (ENOSPC for a write
// that makes no progress, EFBIG for an offset past the largest file).
int WriteFullyAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) noexcept;

}  // namespace corvina
