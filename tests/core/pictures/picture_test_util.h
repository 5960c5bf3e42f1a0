#pragma once

// Helpers for the picture tests: bitmap files built field by field, and the plain area average
// that the streaming stretch must agree with.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/base/little_endian.h"
#include "core/pictures/picture.h"

namespace corvina::test {

using Rgb = std::array<std::uint8_t, 3>;

// A bitmap file's fields. The pixel data is given as stored (rows in file order, padded).
struct BitmapLayout {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: top-down
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xDensity = 2835;
    std::int32_t yDensity = 2835;
    std::int32_t colorsUsed = -1;  // -1: the palette's size, or 0 without one
    std::vector<Rgb> palette{};
    std::vector<std::uint32_t> masks{};  // after a 40-byte header, or inside a larger one
    std::vector<std::uint8_t> data{};
};

inline std::vector<std::uint8_t> BuildBitmap(const BitmapLayout& layout) {
    const bool core = layout.headerSize == 12;
    std::vector<std::uint8_t> out(14 + layout.headerSize, 0);
    WriteLe32(out, 14, layout.headerSize);
    if (core) {
        WriteLe16(out, 18, static_cast<std::uint16_t>(layout.width));
        WriteLe16(out, 20, static_cast<std::uint16_t>(layout.height));
        WriteLe16(out, 22, static_cast<std::uint16_t>(layout.planes));
        WriteLe16(out, 24, static_cast<std::uint16_t>(layout.bitCount));
    } else {
        WriteLe32(out, 18, static_cast<std::uint32_t>(layout.width));
        WriteLe32(out, 22, static_cast<std::uint32_t>(layout.height));
        WriteLe16(out, 26, static_cast<std::uint16_t>(layout.planes));
        WriteLe16(out, 28, static_cast<std::uint16_t>(layout.bitCount));
        WriteLe32(out, 30, layout.compression);
        WriteLe32(out, 34, layout.sizeImage);
        WriteLe32(out, 38, static_cast<std::uint32_t>(layout.xDensity));
        WriteLe32(out, 42, static_cast<std::uint32_t>(layout.yDensity));
        WriteLe32(out, 46,
                  static_cast<std::uint32_t>(
                      layout.colorsUsed >= 0 ? layout.colorsUsed
                                             : static_cast<std::int32_t>(layout.palette.size())));
        if (layout.headerSize >= 52) {
            for (std::size_t i = 0; i < layout.masks.size() && i < 4; ++i)
                WriteLe32(out, 54 + 4 * i, layout.masks[i]);
        }
    }
    if (layout.headerSize == 40) {
        for (std::uint32_t mask : layout.masks) {
            out.resize(out.size() + 4);
            WriteLe32(out, out.size() - 4, mask);
        }
    }
    for (const Rgb& c : layout.palette) {
        out.push_back(c[2]);
        out.push_back(c[1]);
        out.push_back(c[0]);
        if (!core) out.push_back(0);
    }
    const std::size_t offset = out.size();
    out.insert(out.end(), layout.data.begin(), layout.data.end());
    out[0] = 'B';
    out[1] = 'M';
    WriteLe32(out, 2, static_cast<std::uint32_t>(out.size()));
    WriteLe32(out, 10, static_cast<std::uint32_t>(offset));
    return out;
}

// Rows of bytes, each padded with zeros to a multiple of four.
inline std::vector<std::uint8_t> PadRows(const std::vector<std::vector<std::uint8_t>>& rows) {
    std::vector<std::uint8_t> out;
    for (const auto& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    return out;
}

inline Picture24 MakePicture(int width, int height, const std::vector<Rgb>& pixelsFromTop) {
    Picture24 picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb& c = pixelsFromTop[static_cast<std::size_t>(y * width + x)];
            std::copy(c.begin(), c.end(), picture.at(x, y));
        }
    return picture;
}

inline Rgb PixelAt(const Picture24& picture, int x, int y) {
    const std::uint8_t* p = picture.at(x, y);
    return {p[0], p[1], p[2]};
}

// The plain area average, in floating point over the whole picture: each target pixel covers
// [X * sw / tw, (X + 1) * sw / tw) x [Y * sh / th, (Y + 1) * sh / th) of the source.
inline Picture24 PlainAreaAverage(const Picture24& source, int width, int height) {
    Picture24 out(width, height);
    const double sx = static_cast<double>(source.width()) / width;
    const double sy = static_cast<double>(source.height()) / height;
    for (int ty = 0; ty < height; ++ty) {
        const double y0 = ty * sy, y1 = (ty + 1) * sy;
        for (int tx = 0; tx < width; ++tx) {
            const double x0 = tx * sx, x1 = (tx + 1) * sx;
            double sum[3] = {0, 0, 0};
            for (int y = static_cast<int>(y0); y < source.height() && y < y1; ++y) {
                const double wy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
                for (int x = static_cast<int>(x0); x < source.width() && x < x1; ++x) {
                    const double w = wy * (std::min<double>(x + 1, x1) - std::max<double>(x, x0));
                    for (int c = 0; c < 3; ++c) sum[c] += w * source.at(x, y)[c];
                }
            }
            for (int c = 0; c < 3; ++c)
                out.at(tx, ty)[c] = static_cast<std::uint8_t>(std::lround(sum[c] / (sx * sy)));
        }
    }
    return out;
}

// The largest difference of any channel of any pixel (pictures of the same size).
inline int MaxChannelDifference(const Picture24& a, const Picture24& b) {
    int most = 0;
    for (std::size_t i = 0; i < a.bytes().size() && i < b.bytes().size(); ++i)
        most = std::max(most, std::abs(a.bytes()[i] - b.bytes()[i]));
    return most;
}

}  // namespace corvina::test
