#pragma once

#include <string>

#include "core/os/drives.h"

// The session state the pages and windows share: the drive map the program runs on, and the two
// settings that LoadSettings reads at start-up, before every batch run and before every library
// update. The main window owns it and hands it to the pages and windows; the batch takes it as
// an argument.
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
