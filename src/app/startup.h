#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/drives.h"

// What the main window decides while it is created, before anything is shown: the settings, the
// test for the player, and what the three pages are pointed at.
namespace corvina {

// The application title (task bar, default error box) has two blanks; the main window's caption
// has one.
inline constexpr std::string_view kApplicationTitle = "Corvina  version 1.0";
inline constexpr std::string_view kMainWindowCaption = "Corvina version 1.0";

// Shown in the error box when the configured drive holds no player. '\r' is a line break.
inline constexpr std::string_view kDeviceAbsentMessage =
    "設定されているドライブの接続先はgigabeatFではありません。\r設定を見直して下さい。";

inline constexpr std::string_view kDeviceFolder = "GBSYSTEM";
inline constexpr std::string_view kJacketFolder = "GBSYSTEM\\IMAGE";

// The header row of the filer page's tag table, and the column widths in pixels.
inline constexpr std::array<std::string_view, 8> kTagTableHeaders = {
    "No", "FileName", "Title", "Artist", "Album", "Genre", "Track", "GBP FileName"};
inline constexpr std::array<int, 8> kTagTableWidths = {31, 135, 133, 110, 128, 61, 38, 138};

// The player's drive letter: the first character of DeviceDrive, or '\0' when it is empty.
// The rest of the text is ignored ("g:\music" gives 'g'). The letter keeps its case.
char DeviceLetter(std::string_view deviceDrive);

// "<c>:\GBSYSTEM\IMAGE", the folder of the jacket pictures on the player's drive.
std::string JacketFolderPath(char letter);

// The player counts as present when "<c>:\GBSYSTEM" is a folder (a file of that name does not
// count). Letter case does not matter; an empty DeviceDrive or an unmapped letter never passes.
bool IsDevicePresent(const DriveMap& drives, std::string_view deviceDrive);

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
// current folder when a drive holds it, otherwise the program's own folder "C:\Corvina" (or "C:\"
// while that folder is missing).
std::string StartFolder(const DriveMap& drives, const std::filesystem::path& currentHostFolder);

}  // namespace corvina
