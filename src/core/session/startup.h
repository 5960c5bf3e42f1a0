#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/formats/player.h"
#include "core/os/drives.h"

// What the main window decides while it is created, before anything is shown: the settings, the
// test for the player, and what the three pages are pointed at.
namespace corvina {

// What the main window's creation does after LoadSettings, decided from DeviceDrive.
struct StartupPlan {
    char deviceLetter = '\0';  // the letter the device test looked at
    bool devicePresent = false;
    // Present: the three drive boxes are set to deviceLetter, in page order, and the GBP file
    // list goes to gbpFolder; a failure of that move ends the creation there. Absent: the error
    // box with kDeviceAbsentMessage, before the main window shows. Then, in both cases, the tag
    // table's header row and the placeholder pictures.
    std::string gbpFolder;
};

StartupPlan PlanStartup(const DriveMap& drives, std::string_view deviceDrive);

// The folder the drive boxes and folder trees show before anything moves them: the process's
// current folder when a drive holds it, otherwise the program's own folder (DriveMap::
// ProgramFolder: "C:\Corvina" on Linux), or the root of its drive ("C:\") while that folder is
// missing.
std::string StartFolder(const DriveMap& drives, const std::filesystem::path& currentHostFolder);

// StartFolder of the process's current folder.
std::string StartFolder(const DriveMap& drives);

}  // namespace corvina
