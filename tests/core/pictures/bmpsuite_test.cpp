// The third-party BMP suite: good files load with the right pixels, bad files fail with an
// error, questionable files either load or fail as the table below says.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/base/errors.h"
#include "core/base/little_endian.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/picture_import.h"
#include "core/pictures/picture_test_util.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

// rgb24.bmp read straight from its bytes: 127x64, bottom-up, BGR, rows padded to 384 bytes.
Picture24 ReferenceFromBytes(const fs::path& file) {
    const auto bytes = test::ReadBytes(file);
    Picture24 picture(127, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 127; ++x) {
            const std::uint8_t* p = &bytes[54 + static_cast<std::size_t>(63 - y) * 384 + x * 3];
            picture.at(x, y)[0] = p[2];
            picture.at(x, y)[1] = p[1];
            picture.at(x, y)[2] = p[0];
        }
    return picture;
}

// Each channel of the 24-bit reference, rounded to `bits` bits, as a bitmap of that depth holds it.
Picture24 RoundedTo(const Picture24& picture, std::array<int, 3> bits) {
    Picture24 out = picture;
    for (std::size_t i = 0; i < out.bytes().size(); ++i) {
        const int max = (1 << bits[i % 3]) - 1;
        out.bytes()[i] = static_cast<std::uint8_t>((picture.bytes()[i] * max + 127) / 255);
    }
    return out;
}

TEST(BmpSuite, GoodTrueColourFilesGiveTheReferencePicture) {
    CORVINA_REQUIRE_TESTDATA(dir, "bmpsuite");
    const Picture24 reference = ReferenceFromBytes(dir / "g" / "rgb24.bmp");
    for (const char* name :
         {"rgb24.bmp", "rgb24pal.bmp", "rgb32.bmp", "rgb32bf.bmp", "rgb32bfdef.bmp"}) {
        EXPECT_EQ(ReadBitmap(dir / "g" / name), reference) << name;
    }
    // 16-bit files hold the reference rounded to their depth.
    for (const auto& [name, bits] :
         std::map<std::string, std::array<int, 3>>{{"rgb16.bmp", {5, 5, 5}},
                                                   {"rgb16bfdef.bmp", {5, 5, 5}},
                                                   {"rgb16-565.bmp", {5, 6, 5}},
                                                   {"rgb16-565pal.bmp", {5, 6, 5}}}) {
        EXPECT_EQ(RoundedTo(ReadBitmap(dir / "g" / name), bits), RoundedTo(reference, bits))
            << name;
    }
}

// An uncompressed paletted file read straight from its bytes: the palette after the header
// (three-byte entries after a 12-byte core header, four-byte ones otherwise), indices from the
// pixel data offset, most significant bits first, rows bottom-up unless the height is negative.
Picture24 PalettedReferenceFromBytes(const fs::path& file) {
    const auto bytes = test::ReadBytes(file);
    const auto le = [&](std::size_t at, int size) -> std::uint32_t {
        return size == 2 ? ReadLe16(bytes, at) : ReadLe32(bytes, at);
    };
    const std::uint32_t headerSize = le(14, 4);
    const bool core = headerSize == 12;
    const int width = static_cast<int>(core ? le(18, 2) : le(18, 4));
    const auto rawHeight = static_cast<std::int32_t>(core ? le(20, 2) : le(22, 4));
    const int height = std::abs(rawHeight);
    const int bits = static_cast<int>(core ? le(24, 2) : le(28, 2));
    const std::size_t palette = 14 + headerSize;
    const std::size_t entry = core ? 3 : 4;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    Picture24 picture(width, height);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = le(10, 4) + rowBytes * (rawHeight < 0 ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::size_t bit = static_cast<std::size_t>(x) * bits;
            const unsigned index =
                (bytes.at(row + bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            for (int c = 0; c < 3; ++c)
                picture.at(x, y)[c] = bytes.at(palette + index * entry + 2 - c);
        }
    }
    return picture;
}

TEST(BmpSuite, GoodPalettedFilesGiveThePixelsTheirBytesHold) {
    CORVINA_REQUIRE_TESTDATA(dir, "bmpsuite");
    const fs::path g = dir / "g";
    for (const char* name :
         {"pal1.bmp", "pal1bg.bmp", "pal1wb.bmp", "pal4.bmp", "pal4gs.bmp", "pal8.bmp",
          "pal8-0.bmp", "pal8gs.bmp", "pal8nonsquare.bmp", "pal8os2.bmp", "pal8topdown.bmp",
          "pal8v4.bmp", "pal8v5.bmp", "pal8w124.bmp", "pal8w125.bmp", "pal8w126.bmp"}) {
        EXPECT_EQ(ReadBitmap(g / name), PalettedReferenceFromBytes(g / name)) << name;
    }
    // The compressed files hold the same pictures as the uncompressed ones.
    EXPECT_EQ(ReadBitmap(g / "pal8rle.bmp"), ReadBitmap(g / "pal8.bmp"));
    EXPECT_EQ(ReadBitmap(g / "pal4rle.bmp"), ReadBitmap(g / "pal4.bmp"));
    // And the 8-bit picture is a rendering of the true-colour one, not a garbled one.
    EXPECT_LE(
        test::MaxChannelDifference(ReadBitmap(g / "pal8.bmp"), ReferenceFromBytes(g / "rgb24.bmp")),
        64);
}

TEST(BmpSuite, EveryGoodFileLoadsAndImports) {
    CORVINA_REQUIRE_TESTDATA(dir, "bmpsuite");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir / "g")) {
        const Picture24 whole = ReadBitmap(entry.path());
        // The streaming import agrees with a plain average of the whole picture.
        const Picture24 imported = ImportPicture24(entry.path(), 75, 75);
        EXPECT_LE(test::MaxChannelDifference(imported, test::PlainAreaAverage(whole, 75, 75)), 1)
            << entry.path().filename();
        ++files;
    }
    EXPECT_EQ(files, 27);
}

TEST(BmpSuite, EveryBadFileFailsWithAnError) {
    CORVINA_REQUIRE_TESTDATA(dir, "bmpsuite");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir / "b")) {
        EXPECT_THROW(ReadBitmap(entry.path()), FormatError) << entry.path().filename();
        EXPECT_THROW(ImportPicture(entry.path(), 75, 75), FormatError) << entry.path().filename();
        ++files;
    }
    EXPECT_EQ(files, 20);
}

// Our choice for each questionable file: load it when Windows' desktop bitmap functions would
// show it, refuse the rest.
TEST(BmpSuite, QuestionableFilesLoadOrFailAsChosen) {
    CORVINA_REQUIRE_TESTDATA(dir, "bmpsuite");
    const std::map<std::string, bool> loads = {
        {"pal1huffmsb.bmp", false},     // OS/2 2.x header (64 bytes), Huffman 1D
        {"pal1p1.bmp", true},           // one-colour palette
        {"pal2.bmp", true},             // 2 bits per pixel
        {"pal2color.bmp", true},        //
        {"pal4rlecut.bmp", true},       // skipped pixels are black
        {"pal4rletrns.bmp", true},      //
        {"pal8offs.bmp", true},         // gap between palette and pixels
        {"pal8os2-hs.bmp", true},       // OS/2 1.x with a wrong file size field (too small)
        {"pal8os2-sz.bmp", true},       //
        {"pal8os2sp.bmp", true},        // OS/2 1.x with a short palette
        {"pal8os2v2-16.bmp", false},    // OS/2 2.x header (16 bytes)
        {"pal8os2v2-40sz.bmp", true},   // an info header after all
        {"pal8os2v2-sz.bmp", false},    // OS/2 2.x header (64 bytes)
        {"pal8os2v2.bmp", false},       //
        {"pal8oversizepal.bmp", true},  // 300 palette entries: the first 256 count
        {"pal8rlecut.bmp", true},       // skipped pixels are black
        {"pal8rletrns.bmp", true},      //
        {"rgb16-231.bmp", true},        // odd bit fields, scaled to 8 bits
        {"rgb16-3103.bmp", true},       //
        {"rgb16faketrns.bmp", true},    //
        {"rgb24jpeg.bmp", false},       // BI_JPEG: not for display bitmaps
        {"rgb24largepal.bmp", true},    // a palette a 24-bit file does not use
        {"rgb24lprof.bmp", true},       // colour profiles are ignored
        {"rgb24png.bmp", false},        // BI_PNG
        {"rgb24prof.bmp", true},        //
        {"rgb24prof2.bmp", true},       //
        {"rgb24rle24.bmp", false},      // OS/2 2.x header, RLE24
        {"rgb32-111110.bmp", true},     // wide bit fields, scaled to 8 bits
        {"rgb32-7187.bmp", true},       //
        {"rgb32-xbgr.bmp", true},       //
        {"rgb32fakealpha.bmp", true},   //
        {"rgb32h52.bmp", true},         // 52-byte header with masks
        {"rgba16-1924.bmp", true},      // alpha is ignored
        {"rgba16-4444.bmp", true},      //
        {"rgba16-5551.bmp", true},      //
        {"rgba32-1.bmp", true},         //
        {"rgba32-1010102.bmp", true},   //
        {"rgba32-2.bmp", true},         //
        {"rgba32-61754.bmp", true},     //
        {"rgba32-81284.bmp", true},     //
        {"rgba32abf.bmp", false},       // BI_ALPHABITFIELDS (Windows CE only)
        {"rgba32h56.bmp", true},        // 56-byte header with masks
        {"rgba64.bmp", false},          // 64 bits per pixel
    };
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir / "q")) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(loads.count(name)) << "no choice written down for " << name;
        if (loads.at(name)) {
            const Picture24 picture = ReadBitmap(entry.path());
            EXPECT_EQ(picture.width(), 127) << name;
            EXPECT_EQ(picture.height(), 64) << name;
        } else {
            EXPECT_THROW(ReadBitmap(entry.path()), FormatError) << name;
        }
        ++files;
    }
    EXPECT_EQ(files, static_cast<int>(loads.size()));

    // Some of them hold the reference picture itself.
    const Picture24 reference = ReferenceFromBytes(dir / "g" / "rgb24.bmp");
    for (const char* name : {"rgb24largepal.bmp", "rgb24prof.bmp", "rgb32-xbgr.bmp",
                             "rgb32fakealpha.bmp", "rgb32h52.bmp"}) {
        EXPECT_EQ(ReadBitmap(dir / "q" / name), reference) << name;
    }
    EXPECT_LE(test::MaxChannelDifference(ReadBitmap(dir / "q" / "rgb32-111110.bmp"), reference), 1);
    const Picture24 pal8 = ReadBitmap(dir / "g" / "pal8.bmp");
    for (const char* name : {"pal8offs.bmp", "pal8os2sp.bmp", "pal8oversizepal.bmp"}) {
        EXPECT_EQ(ReadBitmap(dir / "q" / name), pal8) << name;
    }
}

}  // namespace
}  // namespace corvina
