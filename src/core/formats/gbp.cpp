#include "core/formats/gbp.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>

#include "core/base/errors.h"
#include "core/base/little_endian.h"
#include "core/os/files.h"

namespace corvina {

namespace {

std::vector<std::uint8_t> EncodeGbp(const Picture15& picture, int headerWidth, int headerHeight,
                                    std::size_t trailerSize) {
    std::vector<std::uint8_t> out;
    out.reserve(kGbpHeaderSize + kGbpPixelSize * picture.pixels().size() + trailerSize);
    AppendLe32(out, static_cast<std::uint32_t>(headerWidth));
    AppendLe32(out, static_cast<std::uint32_t>(headerHeight));
    // pixels() is already in file order: rows from the top, each from left to right.
    for (const std::uint16_t value : picture.pixels()) {
        const auto bytes = EncodeDevicePixel(value);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out.insert(out.end(), trailerSize, 0);
    return out;
}

}  // namespace

std::vector<std::uint8_t> WriteJacketGbp(const Picture15& picture) {
    return EncodeGbp(picture, kJacketWidth, kJacketHeight, kJacketTrailerSize);
}

std::vector<std::uint8_t> WriteWallpaperGbp(const Picture15& picture) {
    return EncodeGbp(picture, kWallpaperWidth, kWallpaperHeight, 0);
}

Picture15 ReadGbpPicture(const std::filesystem::path& path, int width, int height) {
    if (width < 0 || height < 0 ||
        static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height) > kMaxGbpReadPixels) {
        throw UsageError("GBP 画像の大きさが範囲外です (" + std::to_string(width) + "x" +
                         std::to_string(height) + ")");
    }
    Picture15 picture(width, height);
    std::vector<std::uint16_t>& pixels = picture.pixels();

    const File file = File::OpenRead(path);
    const std::uint64_t fileSize = file.Size();
    const std::uint64_t wanted = kGbpPixelSize * pixels.size();
    const std::uint64_t available = fileSize > kGbpHeaderSize ? fileSize - kGbpHeaderSize : 0;
    std::vector<std::uint8_t> area(static_cast<std::size_t>(std::min(wanted, available)));
    const std::size_t got = area.empty() ? 0 : file.ReadAt(kGbpHeaderSize, area);

    // The pixels the file holds whole.
    const std::size_t whole = got / kGbpPixelSize;
    for (std::size_t i = 0; i < whole; ++i)
        pixels[i] = DecodeDevicePixel(area[2 * i], area[2 * i + 1]);
    if (whole == pixels.size()) return picture;

    // Past the end the decoder keeps its two-byte buffer: it starts as two zero bytes, holds the
    // last pixel read whole, and a pixel cut after one byte replaces only its first byte. Every
    // later pixel repeats that buffer.
    std::uint8_t buffer[2] = {0, 0};
    if (whole > 0) {
        buffer[0] = area[2 * whole - 2];
        buffer[1] = area[2 * whole - 1];
    }
    if (got % kGbpPixelSize != 0) buffer[0] = area[got - 1];
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(whole), pixels.end(),
              DecodeDevicePixel(buffer[0], buffer[1]));
    return picture;
}

}  // namespace corvina
