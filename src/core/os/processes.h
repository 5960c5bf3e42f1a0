#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

// Processes and windows: start a program from a Windows command line, wait until it is ready for
// input, and drive its windows from outside with mouse messages and key events. The Win32 backend
// calls the Windows API; the POSIX backend starts the program for real and finds no windows; tests
// use a recording fake.
namespace corvina {

class DriveMap;

// The start-up record's fields that a caller chooses (Windows' STARTUPINFO; the backend fills in
// the record's size and leaves every other field empty).
struct StartupRecord {
    std::uint32_t flags = 0;       // kStartUse* bits
    std::uint16_t showWindow = 0;  // how the first window is shown (kShowHide ...)
    std::int32_t x = 0;            // the first window's top-left corner, in screen pixels
    std::int32_t y = 0;
    std::uint32_t width = 0;  // the first window's size, in pixels
    std::uint32_t height = 0;
};

inline constexpr std::uint32_t kStartUseShowWindow = 0x1;  // STARTF_USESHOWWINDOW
inline constexpr std::uint32_t kStartUseSize = 0x2;        // STARTF_USESIZE
inline constexpr std::uint32_t kStartUsePosition = 0x4;    // STARTF_USEPOSITION
inline constexpr std::uint16_t kShowHide = 0;              // SW_HIDE

// The new process gets the system's default error mode instead of ours.
inline constexpr std::uint32_t kCreateDefaultErrorMode = 0x04000000;

inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;

inline constexpr std::uint8_t kVirtualKeyControl = 0x11;
inline constexpr std::uint8_t kVirtualKeyF5 = 0x74;
inline constexpr std::uint32_t kKeyEventKeyUp = 0x2;  // KEYEVENTF_KEYUP; 0 presses the key

// A handle the platform gave out (a process, a thread). 0 is no handle.
using Handle = std::uintptr_t;
// A window. 0 is no window.
using WindowHandle = std::uintptr_t;

struct StartedProcess {
    Handle process = 0;
    Handle thread = 0;  // its first thread
};

enum class IdleWait {
    Idle,      // ready for input
    TimedOut,  // not yet; wait again
    Ended,     // the process has ended without becoming ready
    Failed,    // the platform cannot tell (a program without a message queue)
};

class Processes {
public:
    virtual ~Processes() = default;

    // True only when a file (not a folder) exists at the Windows path; false for an empty path.
    virtual bool IsFile(std::string_view windowsPath) = 0;

    // Starts a program from a command line as Windows does without a separate program name: in
    // an unquoted command line with blanks, the program file is the text up to each blank in turn
    // (".exe" added to a name without an extension), and the rest are its arguments. No handles
    // are inherited; our environment and current folder. Throws FileError with the platform's
    // reason when the program cannot be started. The caller releases both handles.
    virtual StartedProcess Start(std::string_view commandLine, const StartupRecord& record,
                                 std::uint32_t creationFlags) = 0;

    virtual IdleWait WaitForInputIdle(Handle process, unsigned milliseconds) = 0;
    virtual void Release(Handle handle) = 0;

    // The first top-level window whose title is `title`, compared without regard to letter case.
    virtual WindowHandle FindTopLevelWindow(std::string_view title) = 0;
    // The first direct child of `parent` of the window class `className` with the caption
    // `caption`.
    virtual WindowHandle FindChildWindow(WindowHandle parent, std::string_view className,
                                         std::string_view caption) = 0;
    // Sends a message and returns when the window has handled it.
    virtual void SendWindowMessage(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // A key event through the system's keyboard input (scan code 0, no extra information): it
    // reaches whichever window has the keyboard focus.
    virtual void SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) = 0;
};

// The backend of the system we run on. The POSIX backend finds program files through `drives`,
// which must outlive it, and runs Windows programs through `wine` when that is on the PATH.
std::unique_ptr<Processes> MakeSystemProcesses(const DriveMap& drives);

}  // namespace corvina
