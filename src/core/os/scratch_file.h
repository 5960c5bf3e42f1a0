#pragma once

#include <cstddef>
#include <cstdint>

// Scratch files: unnamed files in the temporary folder for data that does not fit in memory (the
// JPEG decoder's coefficients). Nothing is left behind however the process ends. The functions
// never throw, since they run inside a C library's callbacks.
namespace corvina {

// The new scratch file's descriptor, or -1 when none can be made.
int OpenScratchFile() noexcept;

void CloseScratchFile(int scratch) noexcept;

// Write `count` bytes at `offset`, or read them back. Each returns 0, or the error number of the
// failure: ENOSPC for a write the file system takes no more of, EIO for a read that meets the end
// of the file.
int WriteScratch(int scratch, const void* bytes, std::size_t count, std::uint64_t offset) noexcept;
int ReadScratch(int scratch, void* bytes, std::size_t count, std::uint64_t offset) noexcept;

}  // namespace corvina
