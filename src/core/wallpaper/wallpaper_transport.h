#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/pictures/picture.h"

// The wallpaper transport: a 240x320 picture saved as the player's wallpaper GBWALL.GBP and as a
// 16-bit (5-5-5) Windows bitmap copy; and the transporter's logic: the picture it holds between
// Load and Transport, and the Transport itself with its boxes and status texts. The dialog only
// shows what this decides.
namespace corvina {

class DriveMap;
class Messages;

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

inline constexpr std::string_view kNoWallpaperMessage = "背景画像が選択されてませんよハゲ。";
inline constexpr std::string_view kTransportingText = "画像を変換・転送中です。";
inline constexpr std::string_view kTransportDoneMessage = "転送が完了しました。";

// The line the transporter writes its progress to (the dialog's status bar).
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void SetText(std::string_view text) = 0;
};

class WallpaperTransporter {
public:
    // Empty until the first Load; Loaded while a picture waits to be sent; Sent after a
    // Transport released it (the preview still shows it, but nothing is left to send).
    enum class State { Empty, Loaded, Sent };
    enum class Outcome { NoPicture, Failed, Sent };

    State state() const noexcept;
    // The picture Transport sends; null unless Loaded.
    const Picture15* Wallpaper() const noexcept { return wallpaper_ ? &*wallpaper_ : nullptr; }

    // Imports the picture file (host path) at 240x320 and holds it, replacing any earlier one.
    // Throws FileError or FormatError when the file cannot be read; nothing changes then.
    const Picture15& Load(const std::filesystem::path& pictureFile);

    // Sends the picture held: GBWALL.GBP at the root of the drive of `deviceDrive` (whether or
    // not a player is there), then the bitmap copy at C:\unko.bmp, then releases the picture.
    // Without a picture it shows the error box and writes nothing. A write that fails ends the
    // transport in the default error box with the picture still held, so it can be sent again;
    // the status line shows the transport text only while the files are written.
    Outcome Transport(const DriveMap& drives, std::string_view deviceDrive, Messages& messages,
                      StatusLine& status);

private:
    std::optional<Picture15> wallpaper_;
    bool sent_ = false;
};

}  // namespace corvina
