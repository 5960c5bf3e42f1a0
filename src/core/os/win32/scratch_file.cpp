#include "core/os/scratch_file.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/os/win32/win32_text.h"

namespace corvina {

using win32::DescriptorToHandle;
using win32::HandleToDescriptor;

namespace {

int MoveBytes(int scratch, char* bytes, std::size_t count, std::uint64_t offset,
              bool write) noexcept {
    const HANDLE handle = DescriptorToHandle(scratch);
    for (std::size_t done = 0; done < count;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        OVERLAPPED place{};
        place.Offset = static_cast<DWORD>(offset + done);
        place.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD moved = 0;
        const BOOL ok = write ? ::WriteFile(handle, bytes + done, chunk, &moved, &place)
                              : ::ReadFile(handle, bytes + done, chunk, &moved, &place);
        if (!ok) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return ENOSPC;
            return EIO;
        }
        if (moved == 0) return write ? ENOSPC : EIO;
        done += moved;
    }
    return 0;
}

}  // namespace

// A hidden temporary file that the system deletes when its handle closes, however the process
// ends.
int OpenScratchFile() noexcept {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return -1;
    wchar_t name[MAX_PATH + 1];
    if (::GetTempFileNameW(folder, L"cvj", 0, name) == 0) return -1;
    const HANDLE handle = ::CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ::DeleteFileW(name);
        return -1;
    }
    return HandleToDescriptor(handle);
}

void CloseScratchFile(int scratch) noexcept { ::CloseHandle(DescriptorToHandle(scratch)); }

int WriteScratch(int scratch, const void* bytes, std::size_t count, std::uint64_t offset) noexcept {
    return MoveBytes(scratch, const_cast<char*>(static_cast<const char*>(bytes)), count, offset,
                     true);
}

int ReadScratch(int scratch, void* bytes, std::size_t count, std::uint64_t offset) noexcept {
    return MoveBytes(scratch, static_cast<char*>(bytes), count, offset, false);
}

}  // namespace corvina
