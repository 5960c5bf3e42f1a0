#pragma once

#include "core/os/processes.h"

namespace corvina {

// Processes and windows through the Windows API. Texts are UTF-8 here and reach the W functions
// in UTF-16, so that a path or a window title of any characters is taken whole.
class Win32Processes : public Processes {
public:
    bool IsFile(std::string_view windowsPath) override;
    StartedProcess Start(std::string_view commandLine, const StartupRecord& record,
                         std::uint32_t creationFlags) override;
    IdleWait WaitForInputIdle(Handle process, unsigned milliseconds) override;
    void Release(Handle handle) override;
    WindowHandle FindTopLevelWindow(std::string_view title) override;
    WindowHandle FindChildWindow(WindowHandle parent, std::string_view className,
                                 std::string_view caption) override;
    void SendWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    void SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) override;
};

}  // namespace corvina
