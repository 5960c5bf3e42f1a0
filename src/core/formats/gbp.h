#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/pictures/picture.h"

// GBP files, the player's pictures: an 8-byte header (width, then height, each a 32-bit
// little-endian integer), then 2 × width × height bytes of device pixels, rows from the top,
// each row from left to right. A jacket file (75x75) ends with eight zero bytes; a wallpaper
// (240x320) ends right after its last pixel.
namespace corvina {

inline constexpr int kJacketWidth = 75;
inline constexpr int kJacketHeight = 75;
inline constexpr int kWallpaperWidth = 240;
inline constexpr int kWallpaperHeight = 320;

inline constexpr std::size_t kGbpHeaderSize = 8;
inline constexpr std::size_t kGbpPixelSize = 2;
inline constexpr std::size_t kJacketTrailerSize = 8;
inline constexpr std::size_t kJacketGbpFileSize =
    kGbpHeaderSize + kGbpPixelSize * kJacketWidth * kJacketHeight + kJacketTrailerSize;  // 11,266
inline constexpr std::size_t kWallpaperGbpFileSize =
    kGbpHeaderSize + kGbpPixelSize * kWallpaperWidth * kWallpaperHeight;  // 153,608

// Files up to this size are taken as jackets, larger ones as wallpapers.
inline constexpr std::uint64_t kLargestJacketGbpFileSize = 18000;

// The largest picture ReadGbpPicture makes (width × height), far above both kinds: a guard
// against a caller's nonsense size, not a limit of the format.
inline constexpr std::int64_t kMaxGbpReadPixels = std::int64_t{1} << 24;

// The device pixel of a 15-bit value in file order: the little-endian word value << 1, so the
// first byte holds green's two low bits, blue and a zero bit, the second red and green's three
// high bits. Bit 15 of `value` is not part of a 15-bit pixel and is dropped.
constexpr std::array<std::uint8_t, 2> EncodeDevicePixel(std::uint16_t value) noexcept {
    return {static_cast<std::uint8_t>((value << 1) & 0xFF),
            static_cast<std::uint8_t>((value >> 7) & 0xFF)};
}

// The 15-bit value of a device pixel's two bytes in file order; bit 0 of the first is ignored.
constexpr std::uint16_t DecodeDevicePixel(std::uint8_t first, std::uint8_t second) noexcept {
    return static_cast<std::uint16_t>((second << 8 | first) >> 1);
}

// The whole jacket GBP file of a picture (11,266 bytes for 75x75). The header always says 75x75;
// the pixels are the picture's own, whatever its size.
std::vector<std::uint8_t> WriteJacketGbp(const Picture15& picture);

// The whole wallpaper GBP file of a picture (153,608 bytes for 240x320). The header always says
// 240x320; the pixels are the picture's own, whatever its size.
std::vector<std::uint8_t> WriteWallpaperGbp(const Picture15& picture);

// Decodes a GBP file as a picture of the given size; the file's header is not looked at. In a
// file too short for the size, each pixel past the end repeats the last pixel read whole (a pixel
// cut after its first byte takes that byte with the second byte of the pixel before it); before
// the first pixel the two bytes are 0. Opens the file with full sharing; throws FileError when it
// cannot be read, UsageError for a negative size or one over kMaxGbpReadPixels.
Picture15 ReadGbpPicture(const std::filesystem::path& path, int width, int height);

enum class GbpKind { Jacket, Wallpaper };

struct GbpKindSize {
    GbpKind kind;
    int width;
    int height;
};

// How a GBP file of `fileSize` bytes is shown: a jacket up to 18,000 bytes, a wallpaper above.
constexpr GbpKindSize GbpKindForFileSize(std::uint64_t fileSize) noexcept {
    if (fileSize <= kLargestJacketGbpFileSize)
        return {GbpKind::Jacket, kJacketWidth, kJacketHeight};
    return {GbpKind::Wallpaper, kWallpaperWidth, kWallpaperHeight};
}

}  // namespace corvina
