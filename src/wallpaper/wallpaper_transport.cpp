#include "wallpaper/wallpaper_transport.h"

#include "formats/gbp.h"
#include "formats/player.h"
#include "platform/bitmap.h"
#include "platform/drives.h"
#include "platform/files.h"

namespace corvina {

void WriteWallpaperFiles(const Picture15& wallpaper, const std::filesystem::path& gbpFile,
                         const std::filesystem::path& bitmapCopy) {
    WriteWholeFile(gbpFile, WriteWallpaperGbp(wallpaper));
    if (!bitmapCopy.empty()) WriteWholeFile(bitmapCopy, EncodeBitmap16(wallpaper));
}

void TransportWallpaper(const DriveMap& drives, std::string_view deviceDrive,
                        const Picture15& wallpaper) {
    const std::string gbp =
        DeviceRootPath(DeviceLetter(deviceDrive)) + std::string(kWallpaperFileName);
    WriteWallpaperFiles(wallpaper, drives.ResolveOrThrow(gbp),
                        drives.ResolveOrThrow(kWallpaperCopyPath));
}

}  // namespace corvina
