// Runs the library update as the menu item does, against the program named on the command line,
// with the message boxes and the status text written to standard output.
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/base/messages.h"
#include "core/os/win32/win32_processes.h"
#include "core/room/library_update.h"

namespace {

class PrintedMessages : public corvina::Messages {
public:
    int shown = 0;
    bool Show(corvina::MessageKind, std::string_view text) override {
        ++shown;
        std::printf("box [%.*s]\n", static_cast<int>(text.size()), text.data());
        return false;
    }
};

// The backend, with each wait's answer and each window found written to standard output.
class TracedProcesses : public corvina::Win32Processes {
public:
    corvina::IdleWait WaitForInputIdle(corvina::Handle process, unsigned milliseconds) override {
        const corvina::IdleWait wait = Win32Processes::WaitForInputIdle(process, milliseconds);
        static const char* const kNames[] = {"idle", "timed out", "ended", "failed"};
        std::printf("wait: %s\n", kNames[static_cast<int>(wait)]);
        return wait;
    }
    corvina::WindowHandle FindTopLevelWindow(std::string_view title) override {
        const corvina::WindowHandle window = Win32Processes::FindTopLevelWindow(title);
        std::printf("window: %s\n", window != 0 ? "found" : "none");
        return window;
    }
    corvina::WindowHandle FindChildWindow(corvina::WindowHandle parent, std::string_view className,
                                          std::string_view caption) override {
        const corvina::WindowHandle button =
            Win32Processes::FindChildWindow(parent, className, caption);
        std::printf("button: %s\n", button != 0 ? "found" : "none");
        return button;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: launch_room WINDOWS-PATH\n");
        return 2;
    }
    TracedProcesses processes;
    PrintedMessages messages;
    int pumps = 0;
    corvina::LaunchGigabeatRoom({processes, messages, [&] { return std::string(argv[1]); },
                                 [](std::string_view text) {
                                     std::printf("status [%.*s]\n", static_cast<int>(text.size()),
                                                 text.data());
                                     std::fflush(stdout);
                                 },
                                 [&] {
                                     ++pumps;
                                     MSG message;
                                     while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                                         TranslateMessage(&message);
                                         DispatchMessageA(&message);
                                     }
                                     return true;
                                 }});
    std::printf("done after %d waits\n", pumps);
    return messages.shown == 0 ? 0 : 1;
}
