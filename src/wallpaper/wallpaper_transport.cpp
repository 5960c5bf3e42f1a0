#include "wallpaper/wallpaper_transport.h"

#include <span>

#include "formats/gbp.h"
#include "formats/player.h"
#include "platform/bitmap.h"
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace corvina {

namespace {

// Writes a file the user knows by its Windows path; a failure names that path, not the host
// folder the drive happens to be mapped to.
void WriteWindowsFile(const DriveMap& drives, const std::string& windowsPath,
                      std::span<const std::uint8_t> bytes) {
    const std::filesystem::path host = drives.ResolveOrThrow(windowsPath);
    try {
        WriteWholeFile(host, bytes);
    } catch (const FileError& error) {
        std::string message = error.what();
        if (const std::size_t at = message.find(error.path());
            !error.path().empty() && at != std::string::npos)
            message.replace(at, error.path().size(), windowsPath);
        throw FileError(std::move(message), windowsPath, error.reason());
    }
}

}  // namespace

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
        throw MakeFileError("ファイルを作成できません", std::string(kWallpaperFileName),
                            "プレーヤーのドライブが設定されていません");
    WriteWindowsFile(drives, DeviceRootPath(letter) + std::string(kWallpaperFileName),
                     WriteWallpaperGbp(wallpaper));
    WriteWindowsFile(drives, std::string(kWallpaperCopyPath), EncodeBitmap16(wallpaper));
}

}  // namespace corvina
