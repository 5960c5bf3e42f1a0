#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/pictures/picture.h"
#include "core/pictures/picture_rows.h"

// Windows bitmap files (BMP): the reader reads what Windows reads; the writers make the two
// kinds the program writes.
namespace corvina {

// The message a user sees for a file that is no bitmap the reader reads.
inline constexpr const char* kBadBitmapText = "ビットマップ ファイルが正しくありません";

// Reads a Windows bitmap file and hands its rows to `sink`, in the file's own row order
// (bottom-up files bottom row first). Reads BITMAPCOREHEADER (OS/2 1.x), BITMAPINFOHEADER and
// its 52- and 56-byte extensions, V4 and V5 headers; 1, 2, 4, 8, 16, 24 and 32 bits per pixel;
// BI_RGB, BI_RLE8, BI_RLE4 and BI_BITFIELDS; bottom-up and top-down rows; palettes shorter than
// the bit depth allows. Keeps one row in memory, never the whole picture.
// Pixels that an RLE bitmap skips (delta and early end codes) are black. A palette index beyond
// the file's palette, and a header field that cannot be right, make the file damaged.
// Throws FileError when the file cannot be read, FormatError (text kBadBitmapText) otherwise.
void DecodeBitmap(const std::filesystem::path& file, PictureSink& sink,
                  const PictureLimits& limits = {});

// The whole bitmap as a 24-bit picture (for tools and tests; the import streams instead).
Picture24 ReadBitmap(const std::filesystem::path& file, const PictureLimits& limits = {});

// A bottom-up BI_RGB bitmap with a BITMAPINFOHEADER, 16 bits per pixel 5-5-5 (bit 15 zero),
// rows padded to four bytes: the wallpaper's bitmap copy.
std::vector<std::uint8_t> EncodeBitmap16(const Picture15& picture);

// A bottom-up BI_RGB bitmap with a BITMAPINFOHEADER, 24 bits per pixel. Each 5-bit channel of the
// 15-bit picture becomes (c << 3) | (c >> 2), so that the top five bits give the picture back.
std::vector<std::uint8_t> EncodeBitmap24(const Picture15& picture);

}  // namespace corvina
