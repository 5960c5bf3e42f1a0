#include "core/wallpaper/wallpaper_transporter.h"

#include <exception>

#include "core/base/messages.h"
#include "core/formats/gbp.h"
#include "core/pictures/picture_import.h"
#include "core/wallpaper/wallpaper_transport.h"

namespace corvina {

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
