#include "core/pictures/bitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/base/errors.h"
#include "core/pictures/picture_import.h"
#include "core/pictures/picture_test_util.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

using test::BitmapLayout;
using test::BuildBitmap;
using test::PadRows;
using test::Rgb;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0}, kGrey{128, 128, 128};

class BitmapTest : public ::testing::Test {
protected:
    Picture24 Read(const BitmapLayout& layout) { return Read(BuildBitmap(layout)); }
    Picture24 Read(const std::vector<std::uint8_t>& bytes) {
        const auto path = dir_ / "picture.bmp";
        test::WriteBytes(path, bytes);
        return ReadBitmap(path);
    }
    // The FormatError's text, or "" when the bitmap loads.
    std::string Failure(const BitmapLayout& layout) { return Failure(BuildBitmap(layout)); }
    std::string Failure(const std::vector<std::uint8_t>& bytes) {
        try {
            Read(bytes);
        } catch (const FormatError& e) {
            return e.what();
        }
        return "";
    }
    test::TempDir dir_;
};

Picture15 RandomPicture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    Picture15 picture(width, height);
    for (auto& value : picture.pixels()) value = static_cast<std::uint16_t>(random() & 0x7FFF);
    return picture;
}

TEST_F(BitmapTest, WritersReadBackExactly) {
    for (const auto& [width, height] : {std::pair{75, 75}, {240, 320}, {1, 1}, {3, 2}}) {
        const Picture15 picture = RandomPicture(width, height, static_cast<unsigned>(width));
        EXPECT_EQ(ReducePicture(Read(EncodeBitmap16(picture))), picture) << width;
        EXPECT_EQ(ReducePicture(Read(EncodeBitmap24(picture))), picture) << width;
    }
}

TEST_F(BitmapTest, Writer16IsBottomUp555WithPaddedRows) {
    Picture15 picture(3, 2);
    picture.set(0, 0, 0x7C00);  // top row: red, green, blue
    picture.set(1, 0, 0x03E0);
    picture.set(2, 0, 0x801F);  // bit 15 is not part of the pixel
    picture.set(0, 1, 0x1234);
    // clang-format off
    const std::vector<std::uint8_t> expected = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file size 54 + 2 rows x 8
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 16, 0, 0, 0, 0, 0, 16, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x34, 0x12, 0, 0, 0, 0, 0, 0,               // bottom row first, padded to 8 bytes
        0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0};  // top row
    // clang-format on
    EXPECT_EQ(EncodeBitmap16(picture), expected);
}

TEST_F(BitmapTest, Writer24ExpandsEachChannelFromItsTopBits) {
    Picture15 picture(1, 1);
    picture.set(0, 0, (31 << 10) | (16 << 5) | 1);
    const auto bytes = EncodeBitmap24(picture);
    ASSERT_EQ(bytes.size(), 54u + 4);
    EXPECT_EQ(bytes[28], 24);
    EXPECT_EQ(bytes[54], 0x08);  // blue 1 -> 00001 000
    EXPECT_EQ(bytes[55], 0x84);  // green 16 -> 10000 100
    EXPECT_EQ(bytes[56], 0xFF);  // red 31
    EXPECT_EQ(bytes[57], 0);     // padding
}

TEST_F(BitmapTest, PalettedDepthsWithShortPalettes) {
    // 1 bit: 3x2, bottom row first. Row bytes are read from the most significant bit.
    BitmapLayout one{.width = 3, .height = 2, .bitCount = 1, .palette = {kRed, kBlue}};
    one.data = PadRows({{0b10100000}, {0b01000000}});
    EXPECT_EQ(Read(one), test::MakePicture(3, 2, {kRed, kBlue, kRed, kBlue, kRed, kBlue}));

    // 4 bits with a palette of three colours (the depth allows sixteen).
    BitmapLayout four{.width = 3, .height = 1, .bitCount = 4, .palette = {kRed, kGreen, kBlue}};
    four.data = PadRows({{0x21, 0x00}});
    EXPECT_EQ(Read(four), test::MakePicture(3, 1, {kBlue, kGreen, kRed}));

    // 8 bits, colours-used zero: the whole 256-entry palette is there.
    BitmapLayout eight{.width = 2, .height = 1, .bitCount = 8, .colorsUsed = 0};
    eight.palette.assign(256, kBlack);
    eight.palette[200] = kGrey;
    eight.data = PadRows({{200, 0}});
    EXPECT_EQ(Read(eight), test::MakePicture(2, 1, {kGrey, kBlack}));

    // An index beyond a short palette is damage.
    four.data = PadRows({{0x23, 0x00}});
    EXPECT_NE(Failure(four).find("色番号 3"), std::string::npos) << Failure(four);
}

TEST_F(BitmapTest, TopDownRowsAndCoreHeader) {
    BitmapLayout topDown{.width = 1, .height = -2, .bitCount = 24};
    topDown.data = PadRows({{0, 0, 255}, {255, 0, 0}});  // BGR: red first, then blue
    EXPECT_EQ(Read(topDown), test::MakePicture(1, 2, {kRed, kBlue}));

    BitmapLayout core{
        .headerSize = 12, .width = 2, .height = 2, .bitCount = 8, .palette = {kWhite, kGreen}};
    core.data = PadRows({{1, 0}, {0, 1}});
    EXPECT_EQ(Read(core), test::MakePicture(2, 2, {kWhite, kGreen, kGreen, kWhite}));
}

TEST_F(BitmapTest, SixteenAndThirtyTwoBitsWithAndWithoutMasks) {
    const auto expected = test::MakePicture(2, 1, {kRed, Rgb{0, 132, 255}});

    BitmapLayout rgb16{.width = 2, .height = 1, .bitCount = 16};  // 5-5-5 without masks
    rgb16.data = PadRows({{0x00, 0x7C, 0x1F, 0x02}});             // green 16 -> 132, blue 31 -> 255
    EXPECT_EQ(Read(rgb16), expected);

    BitmapLayout rgb565{.width = 2,
                        .height = 1,
                        .bitCount = 16,
                        .compression = 3,
                        .masks = {0xF800, 0x07E0, 0x001F}};
    rgb565.data = PadRows({{0x00, 0xF8, 0x1F, 0x04}});  // green 32 of 63 -> 130
    EXPECT_EQ(Read(rgb565), test::MakePicture(2, 1, {kRed, Rgb{0, 130, 255}}));

    BitmapLayout rgb32{.width = 2, .height = 1, .bitCount = 32};  // blue, green, red, unused
    rgb32.data = {0, 0, 255, 99, 255, 132, 0, 99};
    EXPECT_EQ(Read(rgb32), expected);

    // Bitfields in an unusual order, inside a V5 header and inside a 52-byte header.
    for (std::uint32_t headerSize : {124u, 52u}) {
        BitmapLayout masked{.headerSize = headerSize,
                            .width = 2,
                            .height = 1,
                            .bitCount = 32,
                            .compression = 3,
                            .masks = {0x0000FF00, 0xFF000000, 0x00FF0000}};
        masked.data = {0, 255, 0, 0, 0, 0, 255, 132};
        EXPECT_EQ(Read(masked), expected) << headerSize;
    }

    // Masks that Windows refuses: empty, broken into pieces, overlapping.
    for (const std::vector<std::uint32_t>& masks : {std::vector<std::uint32_t>{0xF800, 0x07E0, 0},
                                                    {0xF801, 0x07E0, 0x001E},
                                                    {0xFC00, 0x07E0, 0x001F},
                                                    {0x1F0000, 0x07E0, 0x001F}}) {
        rgb565.masks = masks;
        EXPECT_NE(Failure(rgb565).find("マスク"), std::string::npos) << masks[0];
    }
}

TEST_F(BitmapTest, Rle8RunsAbsoluteDeltaAndEarlyEnd) {
    // 4x3, rows from the bottom. Bottom row: an absolute run of three (2 1 2, padded to an even
    // count of bytes), then a run of one red; end of line. Middle row: a delta one right and one
    // up leaves it black, and the first pixel of the top row too; then three blue; end of bitmap.
    BitmapLayout rle{
        .width = 4, .height = 3, .bitCount = 8, .compression = 1, .palette = {kBlack, kRed, kBlue}};
    rle.data = {0, 3, 2, 1, 2, 0, 1, 1, 0, 0, 0, 2, 1, 1, 3, 2, 0, 1};
    EXPECT_EQ(Read(rle), test::MakePicture(4, 3,
                                           {kBlack, kBlue, kBlue, kBlue,     //
                                            kBlack, kBlack, kBlack, kBlack,  //
                                            kBlue, kRed, kBlue, kRed}));
    // End of bitmap right away: every pixel black.
    rle.data = {0, 1};
    rle.height = 2;
    EXPECT_EQ(Read(rle), Picture24(4, 2));
}

TEST_F(BitmapTest, Rle4AlternatesNibbles) {
    // A run of two, then an absolute run of five pixels in three bytes plus one pad byte.
    BitmapLayout rle{
        .width = 7, .height = 1, .bitCount = 4, .compression = 2, .palette = {kBlack, kRed, kBlue}};
    rle.data = {2, 0x12, 0, 5, 0x12, 0x12, 0x10, 0, 0, 1};
    EXPECT_EQ(Read(rle), test::MakePicture(7, 1, {kRed, kBlue, kRed, kBlue, kRed, kBlue, kRed}));
}

TEST_F(BitmapTest, DamagedRleIsRefused) {
    BitmapLayout rle{
        .width = 4, .height = 2, .bitCount = 8, .compression = 1, .palette = {kBlack, kRed}};
    const std::vector<std::pair<std::vector<std::uint8_t>, std::string>> cases = {
        {{5, 1, 0, 1}, "右端"},                  // run past the row's end
        {{0, 2, 5, 0, 0, 1}, "右端"},            // delta past the row's end
        {{0, 2, 0, 3, 0, 1}, "上端"},            // delta above the top
        {{0, 0, 0, 0, 1, 1, 0, 0}, "上端"},      // pixels after the last row
        {{4, 1, 0, 0, 2, 1}, "途中で終わって"},  // data ends in the second row
        {{4, 1, 0, 0, 4}, "途中で終わって"},     // data ends inside a code
        {{2, 7, 0, 0, 0, 1}, "色番号 7"},        // index beyond the palette
    };
    for (const auto& [data, reason] : cases) {
        rle.data = data;
        EXPECT_NE(Failure(rle).find(reason), std::string::npos) << Failure(rle);
    }
    rle.data = {4, 1, 0, 0, 4, 1, 0, 0};  // both rows complete, no end code: fine
    EXPECT_EQ(Failure(rle), "");
}

TEST_F(BitmapTest, HeaderPromisingTooMuchIsRefusedBeforeAllocating) {
    BitmapLayout wide{.width = 32769, .height = 1, .bitCount = 24};
    EXPECT_NE(Failure(wide).find("32768"), std::string::npos) << Failure(wide);
    BitmapLayout huge{.width = 20000, .height = -20000, .bitCount = 1, .palette = {kBlack, kWhite}};
    EXPECT_NE(Failure(huge).find("268435456"), std::string::npos) << Failure(huge);
    // Within the limits, but far more rows than the file holds.
    BitmapLayout tall{.width = 8000, .height = 8000, .bitCount = 24};
    tall.data.assign(100, 0);
    EXPECT_NE(Failure(tall).find("収まりません"), std::string::npos) << Failure(tall);
    BitmapLayout rle{
        .width = 30000, .height = 8000, .bitCount = 8, .compression = 1, .palette = {kBlack}};
    rle.data = {0, 1};
    EXPECT_NE(Failure(rle).find("行数"), std::string::npos) << Failure(rle);
    BitmapLayout colours{.width = 1, .height = 1, .bitCount = 8, .colorsUsed = 100000000};
    EXPECT_NE(Failure(colours).find("パレット"), std::string::npos) << Failure(colours);
}

TEST_F(BitmapTest, MalformedHeadersNameTheFileAndTheReason) {
    const auto bytes = BuildBitmap({.width = 1, .height = 1, .data = {1, 2, 3, 0}});
    const std::string name = (dir_ / "picture.bmp").string();

    std::string message = Failure(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 20));
    EXPECT_EQ(message.rfind(std::string(kBadBitmapText) + ": \"" + name + "\" (", 0), 0u)
        << message;
    EXPECT_NE(Failure(std::vector<std::uint8_t>{}), "");
    EXPECT_NE(Failure(std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 0, 16}).find("JPEG"),
              std::string::npos);
    auto notBm = bytes;
    notBm[1] = 'A';
    EXPECT_NE(Failure(notBm).find("BM"), std::string::npos);
    auto cut = bytes;
    cut.pop_back();
    cut.pop_back();
    WriteLe32(cut, 2, static_cast<std::uint32_t>(cut.size()));
    EXPECT_NE(Failure(cut).find("収まりません"), std::string::npos) << Failure(cut);

    EXPECT_NE(Failure(BitmapLayout{.headerSize = 64, .width = 1, .height = 1}).find("64"),
              std::string::npos);
    EXPECT_NE(Failure(BitmapLayout{.width = 1, .height = 1, .planes = 2}), "");
    EXPECT_NE(Failure(BitmapLayout{.width = 1, .height = 1, .bitCount = 12}), "");
    EXPECT_NE(Failure(BitmapLayout{.width = 1, .height = 1, .compression = 4}),
              "");  // embedded JPEG
    EXPECT_NE(Failure(BitmapLayout{.width = 1, .height = -1, .bitCount = 8, .compression = 1}), "");
    EXPECT_NE(Failure(BitmapLayout{.width = 0, .height = 1}), "");
}

}  // namespace
}  // namespace corvina
