#include "core/pictures/picture_import.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/errors.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/jpeg.h"
#include "core/pictures/jpeg_maker.h"
#include "core/pictures/picture_test_util.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

using test::Rgb;

// A 24-bit bitmap file of a picture, bottom-up or top-down.
std::vector<std::uint8_t> Bitmap24(const Picture24& picture, bool topDown = false) {
    test::BitmapLayout layout{.width = picture.width(),
                              .height = topDown ? -picture.height() : picture.height()};
    std::vector<std::vector<std::uint8_t>> rows;
    for (int i = 0; i < picture.height(); ++i) {
        const int y = topDown ? i : picture.height() - 1 - i;
        std::vector<std::uint8_t> row;
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint8_t* p = picture.at(x, y);
            row.insert(row.end(), {p[2], p[1], p[0]});
        }
        rows.push_back(row);
    }
    layout.data = test::PadRows(rows);
    return test::BuildBitmap(layout);
}

// Smooth colours with some detail, so that averaging errors would show.
Picture24 Pattern(int width, int height) {
    Picture24 picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.at(x, y);
            p[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
            p[2] = static_cast<std::uint8_t>(((x / 3 + y / 5) % 2) * 200 + (x * y) % 41);
        }
    return picture;
}

class ImportTest : public ::testing::Test {
protected:
    fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = dir_ / name;
        test::WriteFileBytes(path, bytes);
        return path;
    }
    std::string Failure(const fs::path& path) {
        try {
            ImportPicture(path, 75, 75);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    }
    test::TempDir dir_;
};

TEST_F(ImportTest, ExactlyDotJpgInEitherCaseIsJpegAndAnythingElseABitmap) {
    const auto jpeg = test::EncodeJpeg(
        64, 64, {}, [](int, std::uint8_t* row) { std::fill(row, row + 64 * 3, 200); });
    for (const char* name : {"a.jpg", "a.JPG", "b.c.jpg"}) {
        EXPECT_EQ(Failure(Write(name, jpeg)), "") << name;
    }
    for (const char* name : {"a.Jpg", "a.jpeg", "a.JPEG", "a.bmp", "jpg", "a.jpg.bmp"}) {
        const std::string message = Failure(Write(name, jpeg));
        EXPECT_EQ(message.rfind(kBadBitmapText, 0), 0u) << name << ": " << message;
        EXPECT_NE(message.find("JPEG"), std::string::npos) << message;
        EXPECT_NE(message.find(name), std::string::npos) << message;
    }
    fs::create_directory(dir_ / "folder.jpg");
    const auto bitmap = Bitmap24(Pattern(4, 4));
    for (const char* name : {"a.bmp", "a.BMP", "a.dib", "a", "folder.jpg/a"}) {
        EXPECT_EQ(Failure(Write(name, bitmap)), "") << name;
    }
    const std::string message = Failure(Write("bitmap.jpg", bitmap));
    EXPECT_EQ(message.rfind(kBadJpegText, 0), 0u) << message;
    EXPECT_THROW(ImportPicture(dir_ / "missing.bmp", 75, 75), FileError);
    EXPECT_THROW(ImportPicture(dir_ / "folder.jpg", 75, 75), FileError);
}

TEST_F(ImportTest, StreamingMatchesAPlainAverageOfTheWholePicture) {
    const Picture24 pattern = Pattern(517, 389);
    const auto topDown = Write("topdown.bmp", Bitmap24(pattern, true));
    const auto bottomUp = Write("bottomup.bmp", Bitmap24(pattern));
    const auto jpeg = Write(
        "pattern.jpg", test::EncodeJpeg(517, 389, {.quality = 80}, [&](int y, std::uint8_t* row) {
            std::copy_n(pattern.at(0, y), 517 * 3, row);
        }));
    const auto progressive =
        Write("progressive.jpg",
              test::EncodeJpeg(517, 389, {.progressive = true}, [&](int y, std::uint8_t* row) {
                  std::copy_n(pattern.at(0, y), 517 * 3, row);
              }));
    for (const auto& [width, height] : {std::pair{75, 75}, {240, 320}, {600, 400}, {1, 1}}) {
        const Picture24 expected = test::PlainAreaAverage(pattern, width, height);
        EXPECT_LE(test::MaxChannelDifference(ImportPicture24(topDown, width, height), expected), 1);
        EXPECT_LE(test::MaxChannelDifference(ImportPicture24(bottomUp, width, height), expected),
                  1);
        for (const fs::path& file : {jpeg, progressive}) {
            const Picture24 decoded = ReadJpeg(file);
            EXPECT_LE(test::MaxChannelDifference(ImportPicture24(file, width, height),
                                                 test::PlainAreaAverage(decoded, width, height)),
                      1)
                << file.filename() << " " << width;
        }
        // The 15-bit picture is the 24-bit one's top bits.
        EXPECT_EQ(ImportPicture(jpeg, width, height),
                  ReducePicture(ImportPicture24(jpeg, width, height)));
    }
}

TEST_F(ImportTest, RealPhotosStreamLikeAPlainAverage) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    for (const char* name : {"tower.jpg", "iptc.jpg", "pil_sample_cmyk.jpg", "restarts.jpg"}) {
        const Picture24 whole = ReadJpeg(dir / name);
        for (const auto& [width, height] : {std::pair{75, 75}, {240, 320}}) {
            EXPECT_LE(test::MaxChannelDifference(ImportPicture24(dir / name, width, height),
                                                 test::PlainAreaAverage(whole, width, height)),
                      1)
                << name << " " << width;
        }
    }
}

TEST_F(ImportTest, WidePictureIsSqueezedIntoTheSquareJacket) {
    // 300x100: red, green and blue thirds side by side.
    Picture24 wide(300, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x) wide.at(x, y)[x / 100] = 255;
    const Picture15 jacket = ImportPicture(Write("wide.bmp", Bitmap24(wide)), 75, 75);
    ASSERT_EQ(jacket.width(), 75);
    ASSERT_EQ(jacket.height(), 75);
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 75; ++x) {
            const std::uint16_t expected = x < 25 ? 0x7C00 : x < 50 ? 0x03E0 : 0x001F;
            ASSERT_EQ(jacket.at(x, y), expected) << x << "," << y;
        }
}

TEST_F(ImportTest, WallpaperHalvesAWidePictureAndDoublesASmallOne) {
    const Picture24 wide = Pattern(480, 320);
    const Picture24 halved = ImportPicture24(Write("wide.bmp", Bitmap24(wide)), 240, 320);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(halved.at(x, y)[c],
                          (wide.at(2 * x, y)[c] + wide.at(2 * x + 1, y)[c] + 1) / 2)
                    << x << "," << y;

    const Picture24 small = Pattern(120, 160);
    const Picture24 doubled = ImportPicture24(Write("small.bmp", Bitmap24(small)), 240, 320);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            ASSERT_EQ(test::PixelAt(doubled, x, y), test::PixelAt(small, x / 2, y / 2))
                << x << "," << y;
}

TEST(AreaScaler, OddRatiosWeighPartlyCoveredPixels) {
    // 3 pixels onto 2: the middle pixel is split half and half.
    const Picture24 row = test::MakePicture(3, 1, {{0, 0, 0}, {90, 90, 90}, {255, 255, 255}});
    const Picture24 two = StretchPicture(row, 2, 1);
    EXPECT_EQ(test::PixelAt(two, 0, 0), (Rgb{30, 30, 30}));     // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_EQ(test::PixelAt(two, 1, 0), (Rgb{200, 200, 200}));  // (45 + 255) / 1.5
    // 2 pixels onto 3: the middle target pixel sees half of each.
    const Picture24 three =
        StretchPicture(test::MakePicture(2, 1, {{0, 0, 0}, {255, 255, 255}}), 3, 1);
    EXPECT_EQ(test::PixelAt(three, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(test::PixelAt(three, 1, 0), (Rgb{128, 128, 128}));
    EXPECT_EQ(test::PixelAt(three, 2, 0), (Rgb{255, 255, 255}));
}

TEST(AreaScaler, RefusesMissingOrExtraRows) {
    AreaScaler scaler(2, 2);
    scaler.Start(1, 2, RowOrder::kTopDown);
    const std::uint8_t pixel[3] = {1, 2, 3};
    scaler.Row(pixel);
    EXPECT_THROW(scaler.Finish(), std::logic_error);
    scaler.Row(pixel);
    EXPECT_THROW(scaler.Row(pixel), std::logic_error);
    EXPECT_EQ(scaler.Finish(),
              test::MakePicture(2, 2, {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}}));
    EXPECT_THROW(AreaScaler(0, 1), std::invalid_argument);
}

TEST(Reduce15, KeepsTheTopFiveBitsOfEachChannel) {
    EXPECT_EQ(Reduce15(255, 255, 255), 0x7FFF);
    EXPECT_EQ(Reduce15(0x07, 0x08, 0xF7), (0 << 10) | (1 << 5) | 30);
    EXPECT_EQ(ReducePicture(test::MakePicture(2, 1, {{255, 0, 0}, {8, 7, 16}})).pixels(),
              (std::vector<std::uint16_t>{0x7C00, (1 << 10) | 2}));
}

}  // namespace
}  // namespace corvina
