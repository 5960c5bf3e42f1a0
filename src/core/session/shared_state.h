#pragma once

#include <string>

#include "core/os/drives.h"

// What the main window shares with the other windows: the drive map the program runs on, and the
// two settings that LoadSettings reads at start-up, before every batch run and before every
// library update. The windows get it from the program entry; none reaches the main window for it.
namespace corvina {

class SharedState {
public:
    explicit SharedState(const DriveMap& drives) : drives_(drives) {}

    const DriveMap& Drives() const noexcept { return drives_; }

    std::string RoomPath;     // full Windows path of GBRoom.exe
    std::string DeviceDrive;  // its first character is the player's drive letter

    // Reads the settings file into RoomPath and DeviceDrive.
    void LoadSettings();

private:
    const DriveMap& drives_;
};

}  // namespace corvina
