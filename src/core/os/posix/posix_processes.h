#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/os/processes.h"

namespace corvina {

class DriveMap;

// What a Windows command line starts on this system: the host program, through `wine` for a
// Windows program, and the arguments.
struct HostCommand {
    std::string windowsProgram;          // the program file as the command line names it
    std::vector<std::string> arguments;  // argv: the program to execute first
};

// Processes on Linux and other POSIX systems. A program is started for real and counts as ready
// for input once it has started; there are no windows to find, and messages and key events go
// nowhere. The started program runs on by itself: it is no child of ours, so nothing waits for it.
class PosixProcesses final : public Processes {
public:
    // `wine`: the program that runs Windows programs (files starting "MZ"), when installed.
    PosixProcesses(const DriveMap& drives, std::optional<std::filesystem::path> wine);

    // Finds the program file of an unquoted command line by the Windows rule, through the drive
    // map. Besides Windows' "name.exe" for a name without an extension, the name as written
    // counts too, since Linux programs seldom have one. Throws FileError when nothing is found.
    HostCommand Resolve(std::string_view commandLine) const;

    bool IsFile(std::string_view windowsPath) override;
    StartedProcess Start(std::string_view commandLine, const StartupRecord& record,
                         std::uint32_t creationFlags) override;
    IdleWait WaitForInputIdle(Handle, unsigned) override { return IdleWait::Idle; }
    void Release(Handle) override {}
    WindowHandle FindTopLevelWindow(std::string_view) override { return 0; }
    WindowHandle FindChildWindow(WindowHandle, std::string_view, std::string_view) override {
        return 0;
    }
    void SendWindowMessage(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override {}
    void SendKeyEvent(std::uint8_t, std::uint32_t) override {}

private:
    const DriveMap& drives_;
    std::optional<std::filesystem::path> wine_;
};

// The first executable file called `name` in the folders of the PATH environment variable.
std::optional<std::filesystem::path> FindOnPath(std::string_view name);

}  // namespace corvina
