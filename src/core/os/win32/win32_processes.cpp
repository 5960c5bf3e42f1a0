#include "core/os/win32/win32_processes.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/win32/win32_text.h"

namespace corvina {
namespace {

constexpr const char* kCannotStart = "プログラムを起動できません";

using win32::Wide;

HWND Window(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

bool Win32Processes::IsFile(std::string_view windowsPath) {
    if (windowsPath.empty()) return false;
    // The path in UTF-16: a name beyond the ANSI code page would not survive the A function.
    const DWORD attributes =
        ::GetFileAttributesW(win32::WidePath(PathFromUtf8(windowsPath)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

StartedProcess Win32Processes::Start(std::string_view commandLine, const StartupRecord& record,
                                     std::uint32_t creationFlags) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwX = static_cast<DWORD>(record.x);
    startup.dwY = static_cast<DWORD>(record.y);
    startup.dwXSize = record.width;
    startup.dwYSize = record.height;
    startup.dwFlags = record.flags;
    startup.wShowWindow = record.showWindow;
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = Wide(commandLine);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                        nullptr, &startup, &started)) {
        throw FileError(kCannotStart, std::string(commandLine),
                        win32::SystemMessage(GetLastError()));
    }
    return {reinterpret_cast<Handle>(started.hProcess), reinterpret_cast<Handle>(started.hThread)};
}

IdleWait Win32Processes::WaitForInputIdle(Handle process, unsigned milliseconds) {
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    switch (::WaitForInputIdle(handle, milliseconds)) {
        case 0:
            return IdleWait::Idle;
        case WAIT_TIMEOUT:
            // A program that has ended never becomes idle; the wait must not go on for ever.
            return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0 ? IdleWait::Ended
                                                                   : IdleWait::TimedOut;
        default:
            return IdleWait::Failed;
    }
}

void Win32Processes::Release(Handle handle) {
    if (handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

WindowHandle Win32Processes::FindTopLevelWindow(std::string_view title) {
    return reinterpret_cast<WindowHandle>(FindWindowW(nullptr, Wide(title).c_str()));
}

WindowHandle Win32Processes::FindChildWindow(WindowHandle parent, std::string_view className,
                                             std::string_view caption) {
    return reinterpret_cast<WindowHandle>(
        FindWindowExW(Window(parent), nullptr, Wide(className).c_str(), Wide(caption).c_str()));
}

void Win32Processes::SendWindowMessage(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam) {
    SendMessageW(Window(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void Win32Processes::SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) {
    keybd_event(virtualKey, 0, flags, 0);
}

std::unique_ptr<Processes> MakeSystemProcesses(const DriveMap&) {
    return std::make_unique<Win32Processes>();
}

}  // namespace corvina
