#pragma once

#include <windows.h>
// windows.h names its A/W pairs by macros; these two would rename the program's own functions.
#undef DeleteFile
#undef MoveFile

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/errors.h"

// Text at the Windows API: UTF-16 there, UTF-8 inside the program.
namespace corvina::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The path as every W function takes it: made absolute with backslashes and no "." or ".."
// (GetFullPathNameW), then written "\\?\X:\..." or "\\?\UNC\server\share\..." so that it
// may be longer than MAX_PATH. A device name (NUL, CON) and a path that already starts with
// "\\?\" or "\\.\" pass as they are.
std::wstring WidePath(const std::filesystem::path& path);
// The path as UTF-8 for messages, as given (never with "\\?\").
inline std::string PathText(const std::filesystem::path& path) { return Narrow(path.wstring()); }

// The system's text for an error code (FormatMessageW), without the closing line break.
std::string SystemMessage(DWORD error);

// A FileError naming `path` with the system's reason for `error`.
FileError MakeWin32FileError(const std::string& what, const std::string& path, DWORD error);

// Closes a handle on every path out of a scope unless released.
class HandleGuard {
public:
    explicit HandleGuard(HANDLE handle) noexcept : handle_(handle) {}
    ~HandleGuard() {
        if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) ::CloseHandle(handle_);
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
    HANDLE get() const noexcept { return handle_; }
    HANDLE Release() noexcept {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE handle_;
};

// Kernel handles keep to 32 significant bits on 64-bit Windows (HandleToLong), so the program's
// int descriptors carry them; INVALID_HANDLE_VALUE becomes -1.
inline int HandleToDescriptor(HANDLE handle) noexcept { return HandleToLong(handle); }
inline HANDLE DescriptorToHandle(int descriptor) noexcept { return LongToHandle(descriptor); }

}  // namespace corvina::win32
