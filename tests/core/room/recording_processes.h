#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/os/processes.h"

namespace corvina::test {

// Records every call as one line of text, in order, and answers as scripted: which paths are
// files, whether a start fails, what the waits report (then idle), and which windows exist.
class RecordingProcesses : public Processes {
public:
    std::vector<std::string> calls;

    std::function<bool(std::string_view)> isFile = [](std::string_view) { return true; };
    std::string startFailure;          // not empty: Start throws FileError with this reason
    std::deque<IdleWait> waits;        // answered in turn; Idle once used up
    std::function<void()> duringWait;  // runs inside each wait, before it answers
    WindowHandle window = 0x100;       // what FindTopLevelWindow finds (0: nothing)
    WindowHandle button = 0x200;       // what FindChildWindow finds (0: nothing)

    bool IsFile(std::string_view path) override {
        calls.push_back("IsFile " + std::string(path));
        return isFile(path);
    }
    StartedProcess Start(std::string_view commandLine, const StartupRecord& r,
                         std::uint32_t creationFlags) override {
        calls.push_back("Start [" + std::string(commandLine) +
                        "] flags=" + std::to_string(r.flags) +
                        " show=" + std::to_string(r.showWindow) + " at=" + std::to_string(r.x) +
                        "," + std::to_string(r.y) + " size=" + std::to_string(r.width) + "x" +
                        std::to_string(r.height) + " creation=" + Hex(creationFlags));
        if (!startFailure.empty())
            throw FileError("cannot start", std::string(commandLine), startFailure);
        ++started_;
        return {static_cast<Handle>(started_ * 10 + 1), static_cast<Handle>(started_ * 10 + 2)};
    }
    IdleWait WaitForInputIdle(Handle process, unsigned milliseconds) override {
        calls.push_back("Wait " + std::to_string(process) + " " + std::to_string(milliseconds));
        if (duringWait) duringWait();
        if (waits.empty()) return IdleWait::Idle;
        const IdleWait answer = waits.front();
        waits.pop_front();
        return answer;
    }
    void Release(Handle handle) override { calls.push_back("Release " + std::to_string(handle)); }
    WindowHandle FindTopLevelWindow(std::string_view title) override {
        calls.push_back("FindWindow [" + std::string(title) + "]");
        return window;
    }
    WindowHandle FindChildWindow(WindowHandle parent, std::string_view className,
                                 std::string_view caption) override {
        calls.push_back("FindChild " + Hex(parent) + " [" + std::string(className) + "] [" +
                        std::string(caption) + "]");
        return button;
    }
    void SendWindowMessage(WindowHandle w, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        calls.push_back("Send " + Hex(w) + " " + Hex(message) + " " + std::to_string(wParam) + " " +
                        std::to_string(lParam));
    }
    void SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) override {
        calls.push_back("Key " + std::to_string(virtualKey) + " " + std::to_string(flags));
    }

    static std::string Hex(std::uintmax_t value) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%jx", value);
        return text;
    }

private:
    int started_ = 0;
};

}  // namespace corvina::test
