#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/pictures/picture.h"

// The wallpaper transport: a 240x320 picture saved as the player's wallpaper GBWALL.GBP and as a
// 16-bit (5-5-5) Windows bitmap copy.
namespace corvina {

class DriveMap;

// Where the transporter keeps the bitmap copy of the last wallpaper sent.
inline constexpr std::string_view kWallpaperCopyPath = "C:\\unko.bmp";

// Writes the wallpaper GBP file, then (when `bitmapCopy` is not empty) its bitmap copy. Each file
// is written beside the old one and moved into place, so a failed write leaves the old file
// whole. Throws FileError naming the file that failed.
void WriteWallpaperFiles(const Picture15& wallpaper, const std::filesystem::path& gbpFile,
                         const std::filesystem::path& bitmapCopy);

// The transporter's run: GBWALL.GBP at the root of the player's drive (the first character of
// `deviceDrive`; the player itself is not looked for) and the bitmap copy at C:\unko.bmp. Throws
// FileError naming the Windows path of the file that failed; a failed bitmap copy leaves the
// GBWALL.GBP just written in place. Either file being a symbolic link that leads out of its
// drive is refused before anything is written.
void TransportWallpaper(const DriveMap& drives, std::string_view deviceDrive,
                        const Picture15& wallpaper);

}  // namespace corvina
