#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/errors.h"
#include "core/os/drives.h"

// The settings file: "Corvina.ini" in the program's own folder (DriveMap::ProgramFolder),
// one section with the path of the companion program and the player's drive letter. Only the
// settings dialog writes it; it is read at start-up and before every batch run and library
// update.
namespace corvina {

inline constexpr std::string_view kSettingsFileName = "Corvina.ini";
inline constexpr std::string_view kSettingsSection = "Fundamental setting";
inline constexpr std::string_view kRoomKey = "Room";
inline constexpr std::string_view kDriveKey = "Drive";
inline constexpr std::string_view kDefaultRoom = "";
inline constexpr std::string_view kDefaultDrive = "f";
// printf-style, %s is the settings file's Windows path.
inline constexpr std::string_view kSettingsWriteFailure = "%s に書き込めません";

struct Settings {
    std::string roomPath;     // full Windows path of GBRoom.exe, as stored
    std::string deviceDrive;  // its first character is the player's drive letter
};

// The program's folder followed by the file name: "C:\Corvina\Corvina.ini" on Linux,
// "<the executable's folder>\Corvina.ini" on Windows.
std::string SettingsWindowsPath(const DriveMap& drives);

// The host path of the settings file; throws FileError when its drive cannot be resolved.
std::filesystem::path SettingsHostPath(const DriveMap& drives);

// Reads both keys; a missing file, section or key gives its default and is not reported. A key
// present with an empty value reads as empty, not as the default. No value is checked or changed.
Settings LoadSettings(const DriveMap& drives);

// The value the dialog writes for the drive: the letter as one lower-case character, or the
// empty text when `letter` is '\0' (no drive).
std::string DriveSettingText(char letter);

// Writes "Room" := roomPath, then "Drive" := DriveSettingText(driveLetter), each key replacing its
// own line and leaving the rest of the file alone. When a write fails it throws FileError naming
// the settings file by its Windows path; a failure of the second write leaves the first in place.
void SaveSettings(const DriveMap& drives, std::string_view roomPath, char driveLetter);

// The text of the box a failed SaveSettings shows: "<settings path> に書き込めません".
std::string SettingsWriteFailureText(const FileError& error);

}  // namespace corvina
