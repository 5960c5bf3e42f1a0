#include "core/os/run_lock.h"

#include <windows.h>

#include <span>
#include <utility>

#include "core/os/clock.h"
#include "core/os/run_lock_text.h"
#include "core/os/win32/win32_text.h"

namespace corvina {

using namespace run_lock_text;
using win32::DescriptorToHandle;
using win32::HandleToDescriptor;
using win32::MakeWin32FileError;

namespace {

// The locked byte: far beyond the holder's text, since a lock on Windows keeps others from
// reading the bytes it covers.
constexpr DWORD kLockOffset = DWORD{1} << 30;

// Windows lets go of a killed process's locks a moment after the process has ended: a refused
// taker tries again for this long before it names the holder.
constexpr unsigned kRetryMilliseconds = 500;
constexpr unsigned kRetryStep = 50;

OVERLAPPED LockedByte() noexcept {
    OVERLAPPED place{};
    place.Offset = kLockOffset;
    return place;
}

bool TryLock(HANDLE handle, DWORD& error) noexcept {
    OVERLAPPED place = LockedByte();
    if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &place))
        return true;
    error = ::GetLastError();
    return false;
}

// The start of the file, at most kMaxHolderText bytes; what could be read when reading fails.
std::string ReadHolderText(HANDLE handle) {
    std::string text(kMaxHolderText, '\0');
    OVERLAPPED place{};
    DWORD read = 0;
    if (!::ReadFile(handle, text.data(), static_cast<DWORD>(text.size()), &read, &place)) read = 0;
    text.resize(read);
    return text;
}

}  // namespace

RunLock RunLock::Acquire(const std::filesystem::path& lockFile, std::string_view program) {
    const std::string path = win32::PathText(lockFile);
    if (program.empty() || !IsPlainText(program))
        throw UsageError(kBadProgram, path, std::string(program));

    // OPEN_ALWAYS, never truncating: until the lock is ours, the text is the holder's.
    const HANDLE handle =
        ::CreateFileW(win32::WidePath(lockFile).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw MakeWin32FileError(kCannotOpen, path, ::GetLastError());
    RunLock lock(HandleToDescriptor(handle));  // closes the file on every way out
    if (::GetFileType(handle) != FILE_TYPE_DISK) throw FileError(kCannotOpen, path, kNotRegular);

    DWORD error = 0;
    for (unsigned waited = 0; !TryLock(handle, error); waited += kRetryStep) {
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
            throw MakeWin32FileError(kCannotLock, path, error);
        if (waited >= kRetryMilliseconds)
            throw RunLockHeld(path, DescribeHolder(ReadHolderText(handle)));
        SleepMilliseconds(kRetryStep);
    }

    // Emptied first, so that a longer old text leaves nothing behind.
    const std::string text = HolderText(program, ::GetCurrentProcessId());
    OVERLAPPED place{};
    DWORD written = 0;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle) ||
        !::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, &place) ||
        written != text.size())
        throw MakeWin32FileError(kCannotWrite, path, ::GetLastError());
    return lock;
}

void RunLock::Release() noexcept {
    if (fd_ < 0) return;
    const HANDLE handle = DescriptorToHandle(std::exchange(fd_, -1));
    OVERLAPPED place = LockedByte();
    ::UnlockFileEx(handle, 0, 1, 0, &place);
    ::CloseHandle(handle);
}

}  // namespace corvina
