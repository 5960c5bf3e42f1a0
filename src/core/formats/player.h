#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/base/player_names.h"
#include "core/os/drives.h"

// Where the player keeps its files on its drive: GBSYSTEM marks the player, GBSYSTEM\IMAGE holds
// the jacket pictures, GBWALL.GBP at the root is the wallpaper.
namespace corvina {

inline constexpr std::string_view kWallpaperFileName = "GBWALL.GBP";

// Shown in the error box when the configured drive holds no player. '\r' is a line break.
inline constexpr std::string_view kDeviceAbsentMessage =
    "設定されているドライブの接続先はgigabeatFではありません。\r設定を見直して下さい。";

// The player's drive letter: the first character of DeviceDrive, or '\0' when it is empty.
// The rest of the text is ignored ("g:\music" gives 'g'). The letter keeps its case.
char DeviceLetter(std::string_view deviceDrive);

// "<C>:\", the root of the player's drive, with the letter in upper case as every list and box
// shows a drive ("F:\" for 'f').
std::string DeviceRootPath(char letter);

// "<C>:\GBSYSTEM", the folder whose presence marks the player.
std::string DeviceFolderPath(char letter);

// "<C>:\GBSYSTEM\IMAGE", the folder of the jacket pictures on the player's drive.
std::string JacketFolderPath(char letter);

// The player counts as present when "<c>:\GBSYSTEM" is a folder (a file of that name does not
// count). Letter case does not matter; an empty DeviceDrive or an unmapped letter never passes.
bool IsDevicePresent(const DriveMap& drives, std::string_view deviceDrive);

// The same check on a root folder of any kind: true when `hostOf(kDeviceFolder)`, the host path
// of the root's GBSYSTEM, is a folder. A root that cannot be resolved (`hostOf` throws, as for an
// unmapped drive) holds no player.
bool HoldsDeviceFolder(
    const std::function<std::filesystem::path(std::string_view name)>& hostOf) noexcept;

}  // namespace corvina
