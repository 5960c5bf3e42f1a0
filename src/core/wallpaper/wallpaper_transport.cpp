#include "core/wallpaper/wallpaper_transport.h"

#include "core/base/errors.h"
#include "core/formats/gbp.h"
#include "core/formats/player.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "core/pictures/bitmap.h"

namespace corvina {

void WriteWallpaperFiles(const Picture15& wallpaper, const std::filesystem::path& gbpFile,
                         const std::filesystem::path& bitmapCopy) {
    WriteWholeFile(gbpFile, WriteWallpaperGbp(wallpaper));
    if (!bitmapCopy.empty()) WriteWholeFile(bitmapCopy, EncodeBitmap16(wallpaper));
}

void TransportWallpaper(const DriveMap& drives, std::string_view deviceDrive,
                        const Picture15& wallpaper) {
    const char letter = DeviceLetter(deviceDrive);
    // "<nothing>:\GBWALL.GBP" names no file; say why rather than show a broken path.
    if (letter == '\0')
        throw FileError("ファイルを作成できません", std::string(kWallpaperFileName),
                        "プレーヤーのドライブが設定されていません");
    const std::string gbp = DeviceRootPath(letter) + std::string(kWallpaperFileName);
    const std::string copy(kWallpaperCopyPath);
    // Both are checked before either is written: a link that leads out of its drive (the player
    // is FAT, which has none) is refused, not written through.
    const DriveSnapshot snapshot = drives.Snapshot();
    FolderListings listings;
    const std::filesystem::path gbpHost = snapshot.ResolveInside(gbp, listings);
    const std::filesystem::path copyHost = snapshot.ResolveInside(copy, listings);
    try {
        WriteWallpaperFiles(wallpaper, gbpHost, copyHost);
    } catch (const FileError& error) {
        // Named by the Windows path the user knows, not the host folder the drive maps to.
        throw FileError(error.failure(), error.path() == copyHost.string() ? copy : gbp,
                        error.reason());
    }
}

}  // namespace corvina
