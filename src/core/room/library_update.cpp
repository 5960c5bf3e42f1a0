#include "core/room/library_update.h"

#include <array>
#include <cstdint>
#include <string>

#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/os/processes.h"

namespace corvina {
namespace {

struct KeyEvent {
    std::uint8_t virtualKey;
    std::uint32_t flags;
};

// F5, then Ctrl+F5 with Ctrl released before F5.
constexpr std::array<KeyEvent, 6> kRefreshKeys{{
    {kVirtualKeyF5, 0},
    {kVirtualKeyF5, kKeyEventKeyUp},
    {kVirtualKeyControl, 0},
    {kVirtualKeyF5, 0},
    {kVirtualKeyControl, kKeyEventKeyUp},
    {kVirtualKeyF5, kKeyEventKeyUp},
}};

// Releases both handles of a started process however the update leaves, since the message pump
// runs other handlers, and any of them may throw.
class ProcessHandles {
public:
    ProcessHandles(Processes& processes, StartedProcess started)
        : processes_(processes), started_(started) {}
    ~ProcessHandles() {
        if (!released_) Release();
    }
    ProcessHandles(const ProcessHandles&) = delete;
    ProcessHandles& operator=(const ProcessHandles&) = delete;

    void Release() {
        released_ = true;
        processes_.Release(started_.process);
        processes_.Release(started_.thread);
    }

private:
    Processes& processes_;
    StartedProcess started_;
    bool released_ = false;
};

// Looks the window and its button up anew each time: gigabeat room may have made them again. A
// missing window is not searched for a button, since without a parent the search would cover
// every top-level window of the desktop.
void ClickRoomButton(Processes& processes) {
    const WindowHandle window = processes.FindTopLevelWindow(kRoomWindowTitle);
    if (window == 0) return;
    const WindowHandle button =
        processes.FindChildWindow(window, kRoomButtonClass, kRoomButtonCaption);
    if (button == 0) return;
    processes.SendWindowMessage(button, kWmLButtonDown, 0, 0);
    processes.SendWindowMessage(button, kWmLButtonUp, 0, 0);
}

}  // namespace

void LaunchGigabeatRoom(const LibraryUpdateSeams& seams) {
    Processes& processes = seams.processes;
    const std::string roomPath = seams.loadRoomPath();
    if (!processes.IsFile(roomPath)) {
        seams.messages.Error(kRoomProgramMissingMessage);
        return;
    }

    StartupRecord record;
    record.flags = kStartUseShowWindow | kStartUseSize | kStartUsePosition;
    record.showWindow = kShowHide;
    record.width = kRoomWindowWidth;
    record.height = kRoomWindowHeight;
    StartedProcess started;
    try {
        started = processes.Start(roomPath, record, kCreateDefaultErrorMode);
    } catch (const FileError& error) {
        seams.messages.Error(error.what());
        return;
    }
    ProcessHandles handles(processes, started);

    seams.setStatusText(kRoomStartingStatus);
    bool closing = false;
    for (;;) {
        const IdleWait wait =
            processes.WaitForInputIdle(started.process, kIdleWaitSliceMilliseconds);
        closing = !seams.pumpMessages();
        if (closing || wait != IdleWait::TimedOut) break;
    }
    handles.Release();
    seams.setStatusText("");
    if (closing) return;

    ClickRoomButton(processes);
    for (const KeyEvent& key : kRefreshKeys) processes.SendKeyEvent(key.virtualKey, key.flags);
    ClickRoomButton(processes);
}

}  // namespace corvina
