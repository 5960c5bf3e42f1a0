#include "core/wallpaper/wallpaper_transport.h"

#include <exception>

#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/base/path_text.h"
#include "core/formats/gbp.h"
#include "core/formats/player.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/picture_import.h"

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
        throw FileError(error.failure(), error.path() == Utf8FromPath(copyHost) ? copy : gbp,
                        error.reason());
    }
}

WallpaperTransporter::State WallpaperTransporter::state() const noexcept {
    if (wallpaper_) return State::Loaded;
    return sent_ ? State::Sent : State::Empty;
}

const Picture15& WallpaperTransporter::Load(const std::filesystem::path& pictureFile) {
    Picture15 picture = ImportPicture(pictureFile, kWallpaperWidth, kWallpaperHeight);
    wallpaper_ = std::move(picture);
    return *wallpaper_;
}

WallpaperTransporter::Outcome WallpaperTransporter::Transport(const DriveMap& drives,
                                                              std::string_view deviceDrive,
                                                              Messages& messages,
                                                              StatusLine& status) {
    if (!wallpaper_) {
        messages.Error(kNoWallpaperMessage);
        return Outcome::NoPicture;
    }
    status.SetText(kTransportingText);
    try {
        TransportWallpaper(drives, deviceDrive, *wallpaper_);
    } catch (const std::exception& error) {
        // The status would otherwise go on saying the files are being written.
        status.SetText({});
        messages.DefaultError(error.what());
        return Outcome::Failed;
    }
    wallpaper_.reset();
    sent_ = true;
    status.SetText({});
    messages.Plain(kTransportDoneMessage);
    return Outcome::Sent;
}

}  // namespace corvina
