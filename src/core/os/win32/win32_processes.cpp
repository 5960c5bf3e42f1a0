#include "core/os/win32/win32_processes.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/win32/win32_text.h"

namespace corvina {
namespace {

constexpr const char* kCannotStart = "プログラムを起動できません";

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) return {};
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                        length, nullptr, nullptr);
    return text;
}

// UTF-8 in the system's ANSI code page, as the ...A functions take it.
std::string Ansi(std::string_view utf8) { return Narrow(Wide(utf8), CP_ACP); }

// The system's text for an error code, in UTF-8, without its line break.
std::string SystemReason(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) return "error " + std::to_string(error);
    return Narrow(text, CP_UTF8);
}

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
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwX = static_cast<DWORD>(record.x);
    startup.dwY = static_cast<DWORD>(record.y);
    startup.dwXSize = record.width;
    startup.dwYSize = record.height;
    startup.dwFlags = record.flags;
    startup.wShowWindow = record.showWindow;
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::string ansi = Ansi(commandLine);
    std::vector<char> line(ansi.begin(), ansi.end());
    line.push_back('\0');
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                        nullptr, &startup, &started)) {
        throw FileError(kCannotStart, std::string(commandLine), SystemReason(GetLastError()));
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
    return reinterpret_cast<WindowHandle>(FindWindowA(nullptr, Ansi(title).c_str()));
}

WindowHandle Win32Processes::FindChildWindow(WindowHandle parent, std::string_view className,
                                             std::string_view caption) {
    return reinterpret_cast<WindowHandle>(
        FindWindowExA(Window(parent), nullptr, Ansi(className).c_str(), Ansi(caption).c_str()));
}

void Win32Processes::SendWindowMessage(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam) {
    SendMessageA(Window(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void Win32Processes::SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) {
    keybd_event(virtualKey, 0, flags, 0);
}

std::unique_ptr<Processes> MakeSystemProcesses(const DriveMap&) {
    return std::make_unique<Win32Processes>();
}

}  // namespace corvina
