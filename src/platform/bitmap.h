#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/picture.h"

// Windows bitmap files (BMP): the reader reads what Windows reads; the writers make the two
// kinds the program writes.
namespace corvina {

// A bottom-up BI_RGB bitmap with a BITMAPINFOHEADER, 16 bits per pixel 5-5-5 (bit 15 zero),
// rows padded to four bytes: the wallpaper's bitmap copy.
std::vector<std::uint8_t> EncodeBitmap16(const Picture15& picture);

// A bottom-up BI_RGB bitmap with a BITMAPINFOHEADER, 24 bits per pixel. Each 5-bit channel of the
// 15-bit picture becomes (c << 3) | (c >> 2), so that the top five bits give the picture back.
std::vector<std::uint8_t> EncodeBitmap24(const Picture15& picture);

}  // namespace corvina
