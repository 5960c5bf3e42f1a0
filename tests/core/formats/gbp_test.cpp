#include "core/formats/gbp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/base/errors.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A picture whose every pixel differs from its neighbours and uses all three channels.
Picture15 Pattern(int width, int height) {
    Picture15 picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.set(x, y, static_cast<std::uint16_t>((x * 1237 + y * 4099 + 17) & 0x7FFF));
    return picture;
}

Bytes Header(std::uint32_t width, std::uint32_t height) {
    Bytes out;
    for (std::uint32_t v : {width, height})
        for (int shift = 0; shift < 32; shift += 8) out.push_back((v >> shift) & 0xFF);
    return out;
}

// The reader as the player's tools do it: seek to each pixel, read up to two bytes into a
// buffer that lives for the whole picture.
Picture15 ReadPixelByPixel(const Bytes& file, int width, int height) {
    Picture15 picture(width, height);
    std::uint8_t buffer[2] = {0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t offset = 8 + 2 * (static_cast<std::size_t>(y) * width + x);
            for (std::size_t i = 0; i < 2 && offset + i < file.size(); ++i)
                buffer[i] = file[offset + i];
            picture.set(x, y, DecodeDevicePixel(buffer[0], buffer[1]));
        }
    }
    return picture;
}

TEST(DevicePixel, WorkedValuesInBothDirections) {
    struct Case {
        std::uint16_t value;
        std::uint8_t first, second;
    };
    // red 19, green 10, blue 29; black; red 31; green 31; blue 31; white.
    for (const Case& c :
         {Case{0x4D5D, 0xBA, 0x9A}, Case{0, 0, 0}, Case{0x7C00, 0x00, 0xF8},
          Case{0x03E0, 0xC0, 0x07}, Case{0x001F, 0x3E, 0x00}, Case{0x7FFF, 0xFE, 0xFF}}) {
        const auto bytes = EncodeDevicePixel(c.value);
        EXPECT_EQ(bytes[0], c.first) << std::hex << c.value;
        EXPECT_EQ(bytes[1], c.second) << std::hex << c.value;
        EXPECT_EQ(DecodeDevicePixel(c.first, c.second), c.value);
    }
    EXPECT_EQ(DecodeDevicePixel(0xBB, 0x9A), 0x4D5D);  // bit 0 is ignored
}

TEST(DevicePixel, EveryValueRoundTripsAndBitZeroIsIgnored) {
    for (unsigned v = 0; v <= 0x7FFF; ++v) {
        const auto bytes = EncodeDevicePixel(static_cast<std::uint16_t>(v));
        ASSERT_EQ(bytes[0] & 1, 0) << v;
        ASSERT_EQ(DecodeDevicePixel(bytes[0], bytes[1]), v);
        ASSERT_EQ(DecodeDevicePixel(bytes[0] | 1, bytes[1]), v);
    }
}

TEST(GbpWriter, JacketIsHeaderPixelsAndZeroTrailer) {
    const Picture15 picture = Pattern(75, 75);
    Bytes expected = Header(75, 75);
    for (std::uint16_t v : picture.pixels()) {
        expected.push_back(static_cast<std::uint8_t>(v << 1));
        expected.push_back(static_cast<std::uint8_t>(v >> 7));
    }
    expected.insert(expected.end(), 8, 0);
    ASSERT_EQ(expected.size(), 11266u);

    const Bytes file = WriteJacketGbp(picture);
    EXPECT_EQ(file, expected);
    EXPECT_EQ(file.size(), kJacketGbpFileSize);
    // The bottom-right pixel sits at 11,256.
    const auto last = EncodeDevicePixel(picture.at(74, 74));
    EXPECT_EQ(file[11256], last[0]);
    EXPECT_EQ(file[11257], last[1]);
}

TEST(GbpWriter, WallpaperHasNoTrailer) {
    const Picture15 picture = Pattern(240, 320);
    const Bytes file = WriteWallpaperGbp(picture);
    ASSERT_EQ(file.size(), 153608u);
    EXPECT_EQ(file.size(), kWallpaperGbpFileSize);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 8),
              (Bytes{0xF0, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00}));
    const auto last = EncodeDevicePixel(picture.at(239, 319));
    EXPECT_EQ(file[153606], last[0]);
    EXPECT_EQ(file[153607], last[1]);
    const auto pixel = EncodeDevicePixel(picture.at(5, 7));  // 8 + 2 * (7 * 240 + 5)
    EXPECT_EQ(file[3378], pixel[0]);
    EXPECT_EQ(file[3379], pixel[1]);
}

TEST(GbpWriter, HeaderIsTheKindsWhateverThePictureSize) {
    EXPECT_EQ(WriteJacketGbp(Picture15()),
              (Bytes{0x4B, 0, 0, 0, 0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const Bytes small = WriteWallpaperGbp(Pattern(2, 1));
    ASSERT_EQ(small.size(), 12u);
    EXPECT_EQ(Bytes(small.begin(), small.begin() + 8), Header(240, 320));
}

TEST(GbpKind, ChosenByFileSize) {
    for (std::uint64_t size : {0ull, 16ull, 11266ull, 18000ull}) {
        const GbpKindSize kind = GbpKindForFileSize(size);
        EXPECT_EQ(kind.kind, GbpKind::Jacket) << size;
        EXPECT_EQ(kind.width, 75);
        EXPECT_EQ(kind.height, 75);
    }
    for (std::uint64_t size : {18001ull, 153608ull, ~0ull}) {
        const GbpKindSize kind = GbpKindForFileSize(size);
        EXPECT_EQ(kind.kind, GbpKind::Wallpaper) << size;
        EXPECT_EQ(kind.width, 240);
        EXPECT_EQ(kind.height, 320);
    }
}

TEST(GbpReader, ReadsBackWhatTheWritersWrite) {
    TempDir dir;
    const Picture15 jacket = Pattern(75, 75);
    const Picture15 wallpaper = Pattern(240, 320);
    WriteBytes(dir / "j.gbp", WriteJacketGbp(jacket));
    WriteBytes(dir / "w.gbp", WriteWallpaperGbp(wallpaper));
    EXPECT_EQ(ReadGbpPicture(dir / "j.gbp", 75, 75), jacket);
    EXPECT_EQ(ReadGbpPicture(dir / "w.gbp", 240, 320), wallpaper);
}

TEST(GbpReader, IgnoresHeaderTrailerAndExtraBytes) {
    TempDir dir;
    const Picture15 picture = Pattern(75, 75);
    Bytes file = WriteJacketGbp(picture);
    file[0] = 0x12;  // the header says something else
    file[5] = 0x34;
    for (std::size_t i = 11258; i < file.size(); ++i) file[i] = 0xA5;
    file.insert(file.end(), 5000, 0x5A);
    WriteBytes(dir / "j.gbp", file);
    EXPECT_EQ(ReadGbpPicture(dir / "j.gbp", 75, 75), picture);

    // A wallpaper read at the caller's jacket size takes its first 5,625 pixels.
    const Picture15 wallpaper = Pattern(240, 320);
    WriteBytes(dir / "w.gbp", WriteWallpaperGbp(wallpaper));
    const Picture15 asJacket = ReadGbpPicture(dir / "w.gbp", 75, 75);
    const auto& all = wallpaper.pixels();
    EXPECT_EQ(asJacket.pixels(), std::vector<std::uint16_t>(all.begin(), all.begin() + 75 * 75));
}

TEST(GbpReader, JacketCutTo1000BytesRepeatsPixel495) {
    TempDir dir;
    const Picture15 picture = Pattern(75, 75);
    Bytes file = WriteJacketGbp(picture);
    file.resize(1000);
    WriteBytes(dir / "cut.gbp", file);
    const Picture15 read = ReadGbpPicture(dir / "cut.gbp", 75, 75);
    for (std::size_t i = 0; i < read.pixels().size(); ++i)
        ASSERT_EQ(read.pixels()[i], picture.pixels()[i < 496 ? i : 495]) << i;
}

TEST(GbpReader, ShortFilesMatchThePixelByPixelRead) {
    // Every cut of a small picture's file, odd lengths and files under 10 bytes included.
    TempDir dir;
    const Bytes full = WriteJacketGbp(Pattern(4, 3));  // header, 24 pixel bytes, trailer
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        WriteBytes(dir / "cut.gbp", cut);
        EXPECT_EQ(ReadGbpPicture(dir / "cut.gbp", 4, 3), ReadPixelByPixel(cut, 4, 3)) << length;
    }
    // Spelled out: with only the first byte of a pixel left, it takes the second byte of the
    // pixel before it; before the first pixel the buffer is zero.
    WriteBytes(dir / "odd.gbp", Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x22, 0x31});
    const Picture15 odd = ReadGbpPicture(dir / "odd.gbp", 2, 2);
    EXPECT_EQ(odd.pixels(), (std::vector<std::uint16_t>{0x1108, 0x1118, 0x1118, 0x1118}));
    WriteBytes(dir / "nine.gbp", Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0x41});
    EXPECT_EQ(ReadGbpPicture(dir / "nine.gbp", 2, 1).pixels(),
              (std::vector<std::uint16_t>{0x20, 0x20}));
    WriteBytes(dir / "empty.gbp", Bytes{});
    EXPECT_EQ(ReadGbpPicture(dir / "empty.gbp", 3, 3), Picture15(3, 3));
}

TEST(GbpReader, RefusesMissingFilesAndAbsurdSizes) {
    TempDir dir;
    EXPECT_THROW(ReadGbpPicture(dir / "missing.gbp", 75, 75), FileError);
    EXPECT_THROW(ReadGbpPicture(dir.path(), 75, 75), FileError);  // a folder
    WriteBytes(dir / "j.gbp", WriteJacketGbp(Pattern(75, 75)));
    EXPECT_THROW(ReadGbpPicture(dir / "j.gbp", -1, 75), std::invalid_argument);
    EXPECT_THROW(ReadGbpPicture(dir / "j.gbp", 1 << 16, 1 << 16), std::invalid_argument);
    EXPECT_TRUE(ReadGbpPicture(dir / "j.gbp", 0, 75).empty());
}

}  // namespace
}  // namespace corvina
