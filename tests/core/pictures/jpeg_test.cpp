#include "core/pictures/jpeg.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "core/base/errors.h"
#include "core/pictures/jpeg_maker.h"
#include "core/pictures/picture_import.h"
#include "core/pictures/picture_test_util.h"
#include "support/environment_guard.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

using test::Rgb;

// A 64x64 picture of four flat quarters: red, green / blue, white.
void Quarters(int y, std::uint8_t* row) {
    for (int x = 0; x < 64; ++x) {
        const Rgb c = y < 32 ? (x < 32 ? Rgb{255, 0, 0} : Rgb{0, 255, 0})
                             : (x < 32 ? Rgb{0, 0, 255} : Rgb{255, 255, 255});
        std::copy(c.begin(), c.end(), row + x * 3);
    }
}

void ExpectNear(const Rgb& actual, const Rgb& expected, int tolerance, const std::string& what) {
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[c], expected[c], tolerance) << what << " channel " << c;
}

void ExpectQuarters(const Picture24& picture, const std::string& what) {
    ASSERT_EQ(picture.width(), 64) << what;
    ASSERT_EQ(picture.height(), 64) << what;
    ExpectNear(test::PixelAt(picture, 10, 10), {255, 0, 0}, 6, what + " red");
    ExpectNear(test::PixelAt(picture, 50, 10), {0, 255, 0}, 6, what + " green");
    ExpectNear(test::PixelAt(picture, 10, 50), {0, 0, 255}, 6, what + " blue");
    ExpectNear(test::PixelAt(picture, 50, 50), {255, 255, 255}, 6, what + " white");
}

// Points TMPDIR at a folder for one test.
class TemporaryFolder {
public:
#ifdef _WIN32
    explicit TemporaryFolder(const fs::path& folder) : tmpdir_("TMP", folder.string().c_str()) {}
#else
    explicit TemporaryFolder(const fs::path& folder) : tmpdir_("TMPDIR", folder.c_str()) {}
#endif

private:
    test::EnvironmentGuard tmpdir_;
};

class JpegTest : public ::testing::Test {
protected:
    fs::path Write(const std::vector<std::uint8_t>& bytes, const std::string& name = "a.jpg") {
        const fs::path path = dir_ / name;
        test::WriteFileBytes(path, bytes);
        return path;
    }
    test::TempDir dir_;
};

TEST_F(JpegTest, BaselineProgressiveArithmeticAndRestartsDecodeInColour) {
    const std::map<std::string, test::JpegOptions> kinds = {
        {"baseline", {.quality = 95, .fullChroma = true}},
        {"subsampled", {.quality = 95}},
        {"progressive", {.quality = 95, .progressive = true, .fullChroma = true}},
        {"arithmetic", {.quality = 95, .arithmetic = true, .fullChroma = true}},
        {"arithmetic progressive", {.quality = 95, .progressive = true, .arithmetic = true}},
        {"restarts", {.quality = 95, .restartRows = 1, .fullChroma = true}},
    };
    for (const auto& [name, options] : kinds) {
        JpegReport report;
        const Picture24 picture =
            ReadJpeg(Write(test::EncodeJpeg(64, 64, options, Quarters)), {}, &report);
        ExpectQuarters(picture, name);
        EXPECT_EQ(report.warnings, 0) << name;
    }
}

TEST_F(JpegTest, GrayscaleComesOutGrey) {
    const auto bytes =
        test::EncodeJpeg(16, 16, {.inputSpace = JCS_GRAYSCALE}, [](int y, std::uint8_t* row) {
            for (int x = 0; x < 16; ++x) row[x] = y < 8 ? 40 : 200;
        });
    const Picture24 picture = ReadJpeg(Write(bytes));
    ExpectNear(test::PixelAt(picture, 3, 2), {40, 40, 40}, 3, "dark");
    ExpectNear(test::PixelAt(picture, 3, 13), {200, 200, 200}, 3, "light");
    for (std::size_t i = 0; i < picture.bytes().size(); i += 3) {
        ASSERT_EQ(picture.bytes()[i], picture.bytes()[i + 1]);
        ASSERT_EQ(picture.bytes()[i], picture.bytes()[i + 2]);
    }
}

// libjpeg marks CMYK and YCCK files with Adobe's marker, which means inverted values: a stored
// 255 is no ink. The file below is cyan, magenta / yellow, black in quarters.
TEST_F(JpegTest, AdobeCmykAndYcckComeOutInTheirColours) {
    const auto inks = [](int y, std::uint8_t* row) {
        for (int x = 0; x < 64; ++x) {
            std::array<std::uint8_t, 4> ink =
                y < 32 ? (x < 32 ? std::array<std::uint8_t, 4>{255, 0, 0, 0}
                                 : std::array<std::uint8_t, 4>{0, 255, 0, 0})
                       : (x < 32 ? std::array<std::uint8_t, 4>{0, 0, 255, 0}
                                 : std::array<std::uint8_t, 4>{0, 0, 0, 255});
            for (int i = 0; i < 4; ++i) row[x * 4 + i] = static_cast<std::uint8_t>(255 - ink[i]);
        }
    };
    for (const J_COLOR_SPACE space : {JCS_CMYK, JCS_YCCK}) {
        const auto bytes = test::EncodeJpeg(
            64, 64, {.inputSpace = JCS_CMYK, .fileSpace = space, .quality = 95, .fullChroma = true},
            inks);
        const Picture24 picture = ReadJpeg(Write(bytes));
        const std::string what = space == JCS_CMYK ? "CMYK" : "YCCK";
        ExpectNear(test::PixelAt(picture, 10, 10), {0, 255, 255}, 6, what + " cyan");
        ExpectNear(test::PixelAt(picture, 50, 10), {255, 0, 255}, 6, what + " magenta");
        ExpectNear(test::PixelAt(picture, 10, 50), {255, 255, 0}, 6, what + " yellow");
        ExpectNear(test::PixelAt(picture, 50, 50), {0, 0, 0}, 6, what + " black");
    }
}

TEST_F(JpegTest, DamagedFilesFailWithLibjpegsReasonAndTheFileName) {
    auto bytes = test::EncodeJpeg(64, 64, {}, Quarters);
    const fs::path path = Write(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 2));
    try {
        ReadJpeg(path);
        FAIL() << "no error";
    } catch (const FormatError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(std::string(kBadJpegText) + ": \"" + path.string() + "\" (", 0), 0u)
            << message;
    }
    EXPECT_THROW(ReadJpeg(Write({})), FormatError);
    EXPECT_THROW(ReadJpeg(Write({'B', 'M', 0, 0})), FormatError);
    EXPECT_THROW(ReadJpeg(dir_ / "missing.jpg"), FileError);

    // Cut in the middle of the scan: libjpeg makes up the rest and warns.
    bytes = test::EncodeJpeg(64, 64, {.quality = 95}, [](int y, std::uint8_t* row) {
        for (int x = 0; x < 64 * 3; ++x)
            row[x] = static_cast<std::uint8_t>((x * 7919 + y * 104729) % 251);
    });
    bytes.resize(bytes.size() * 3 / 4);
    JpegReport report;
    const Picture24 picture = ReadJpeg(Write(bytes), {}, &report);
    EXPECT_EQ(picture.width(), 64);
    EXPECT_GE(report.warnings, 1);
    EXPECT_NE(report.firstWarning.find("Premature end"), std::string::npos) << report.firstWarning;
}

TEST_F(JpegTest, SizeLimitsAreCheckedBeforeDecoding) {
    const auto bytes = test::EncodeJpeg(64, 64, {}, Quarters);
    EXPECT_THROW(ReadJpeg(Write(bytes), {.maxSide = 63}), FormatError);
    EXPECT_THROW(ReadJpeg(Write(bytes), {.maxPixels = 64 * 64 - 1}), FormatError);
    EXPECT_NO_THROW(ReadJpeg(Write(bytes), {.maxSide = 64, .maxPixels = 64 * 64}));
}

// Progressive coefficients beyond the memory limit go to an unnamed temporary file, with the same
// picture and warnings as in memory; a failing temporary file is an error, never a wrong picture.
TEST_F(JpegTest, ProgressiveCoefficientsSpilledToATemporaryFileGiveTheSamePicture) {
    const auto noise = [](int y, std::uint8_t* row) {
        for (int x = 0; x < 700 * 3; ++x)
            row[x] = static_cast<std::uint8_t>((x * 7919 + y * 104729) % 251 / 2 + x / 12);
    };
    std::vector<std::vector<std::uint8_t>> files = {
        test::EncodeJpeg(700, 450, {.progressive = true}, noise),
        test::EncodeJpeg(700, 450, {.progressive = true, .arithmetic = true, .fullChroma = true},
                         noise)};
    files.push_back(files[0]);
    files.back().resize(files.back().size() * 2 / 3);  // cut short: warns
    const fs::path scratchFolder = dir_ / "tmp";
    fs::create_directory(scratchFolder);
    const TemporaryFolder useIt(scratchFolder);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path path = Write(files[i]);
        JpegReport inMemory, spilled;
        const Picture24 expected = ReadJpeg(path, {}, &inMemory);
        EXPECT_EQ(ReadJpeg(path, {.maxCoefficientMemory = 0}, &spilled), expected) << i;
        EXPECT_EQ(spilled.warnings, inMemory.warnings) << i;
        AreaScaler scaler(75, 75);
        DecodeJpeg(path, scaler, {.maxCoefficientMemory = 0});
        EXPECT_LE(
            test::MaxChannelDifference(scaler.Finish(), test::PlainAreaAverage(expected, 75, 75)),
            1);
    }
    EXPECT_TRUE(fs::is_empty(scratchFolder));

#ifndef _WIN32  // a file size limit is POSIX's
    // A temporary file that cannot grow: the decode fails and says why.
    const fs::path path = Write(files[0]);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        ReadJpeg(path, {.maxCoefficientMemory = 0});
    } catch (const FormatError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    EXPECT_NE(message.find("一時ファイル"), std::string::npos) << message;
    EXPECT_TRUE(fs::is_empty(scratchFolder));
#endif
}

// A tiny progressive file whose frame header claims 30000x8000: libjpeg would want 1.4 GB for
// the coefficients of a picture the file cannot possibly hold.
TEST_F(JpegTest, ProgressiveFileClaimingAHugePictureIsRefused) {
    auto bytes =
        test::EncodeJpeg(16, 16, {.progressive = true, .fullChroma = true},
                         [](int y, std::uint8_t* row) { std::fill_n(row, 16 * 3, y * 9); });
    std::size_t sof = 0;
    while (sof + 9 < bytes.size() && !(bytes[sof] == 0xFF && bytes[sof + 1] == 0xC2)) ++sof;
    ASSERT_LT(sof + 9, bytes.size());
    bytes[sof + 5] = 8000 >> 8;  // height, then width, big-endian
    bytes[sof + 6] = 8000 & 0xFF;
    bytes[sof + 7] = 30000 >> 8;
    bytes[sof + 8] = 30000 & 0xFF;
    try {
        ReadJpeg(Write(bytes));
        FAIL() << "no error";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("プログレッシブ"), std::string::npos) << e.what();
    }
}

// A progressive file with its last scan repeated 1,200 times: libjpeg only warns about the
// repeats, but each scan passes over the whole picture, so the decode stops at a limit.
TEST_F(JpegTest, FileOfEndlessScansIsStopped) {
    auto bytes = test::EncodeJpeg(64, 64, {.progressive = true}, Quarters);
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) lastScan = i;
    ASSERT_GT(lastScan, 0u);
    const std::vector<std::uint8_t> scan(bytes.begin() + static_cast<std::ptrdiff_t>(lastScan),
                                         bytes.end() - 2);  // up to EOI
    bytes.resize(bytes.size() - 2);
    for (int i = 0; i < 1200; ++i) bytes.insert(bytes.end(), scan.begin(), scan.end());
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    try {
        ReadJpeg(Write(bytes));
        FAIL() << "no error";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("1000"), std::string::npos) << e.what();
    }
}

TEST(JpegSamples, EachSampleDecodesWarnsOrFailsAsExpected) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    enum Outcome { kClean, kWarns, kFails };
    struct Expected {
        Outcome outcome;
        int width = 0;
        int height = 0;
        const char* reason = "";  // part of the error text
    };
    const std::map<std::string, Expected> samples = {
        {"testorig.jpg", {kClean, 227, 149}},
        {"testimgari.jpg", {kClean, 227, 149}},
        {"tower.jpg", {kClean, 512, 512}},
        {"tower_progressive.jpg", {kClean, 512, 512}},
        {"tower_grayscale.jpg", {kClean, 512, 512}},
        {"iptc.jpg", {kClean, 640, 480}},
        {"jpg-cmyk-2.jpg", {kClean, 256, 256}},
        {"pil_sample_cmyk.jpg", {kClean, 100, 100}},
        {"restarts.jpg", {kClean, 33, 33}},
        {"Portrait_6.jpg", {kClean, 1800, 1200}},  // stored size; orientation is not applied
        {"Landscape_8.jpg", {kClean, 1200, 1800}},
        {"rachel-hisko-rEM3cK8F1pk-unsplash.jpg", {kClean, 6000, 4000}},
        {"extraneous-bytes-after-sos.jpg", {kWarns, 1744, 2464}},
        {"truncated_jpeg.jpg", {kWarns, 100, 100}},
        {"ultrahdr.jpg", {kWarns, 1512, 2688}},
        {"giant-image.jpg", {kFails, 0, 0, "268435456"}},
        {"max_size.jpg", {kFails, 0, 0, "65500"}},
        {"monkey12.jpg", {kFails, 0, 0, "precision 12"}},
        {"derive-huffman-codes-overflow.jpg", {kFails, 0, 0, "Huffman"}},
        {"corrupt-header.jpg", {kFails, 0, 0, "no image"}},
        {"empty.jpg", {kFails, 0, 0, "Empty input file"}},
        {"jpg-size-6x6.jpg", {kFails, 0, 0, "Not a JPEG file"}},
    };
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(samples.count(name)) << "no expectation for " << name;
        const Expected& expected = samples.at(name);
        ++files;
        if (expected.outcome == kFails) {
            try {
                // Into the stretch, so that a file that wrongly decodes costs little memory.
                AreaScaler scaler(75, 75);
                DecodeJpeg(entry.path(), scaler);
                ADD_FAILURE() << name << " decoded";
            } catch (const FormatError& e) {
                EXPECT_NE(std::string(e.what()).find(expected.reason), std::string::npos)
                    << name << ": " << e.what();
                EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
            }
            continue;
        }
        JpegReport report;
        const Picture24 picture = ReadJpeg(entry.path(), {}, &report);
        EXPECT_EQ(picture.width(), expected.width) << name;
        EXPECT_EQ(picture.height(), expected.height) << name;
        if (expected.outcome == kClean) {
            EXPECT_EQ(report.warnings, 0) << name << ": " << report.firstWarning;
        } else {
            EXPECT_GT(report.warnings, 0) << name;
        }
    }
    EXPECT_EQ(files, static_cast<int>(samples.size()));
}

TEST(JpegSamples, CodingVariantsOfOnePictureAgree) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    // The arithmetic-coded file holds the same picture as the Huffman-coded one (not quite the
    // same coefficients: a few pixels differ by up to 17).
    const Picture24 arithmetic = ReadJpeg(dir / "testimgari.jpg");
    const Picture24 huffman = ReadJpeg(dir / "testorig.jpg");
    EXPECT_LE(test::MaxChannelDifference(arithmetic, huffman), 20);
    long total = 0;
    for (std::size_t i = 0; i < arithmetic.bytes().size(); ++i)
        total += std::abs(arithmetic.bytes()[i] - huffman.bytes()[i]);
    EXPECT_LT(static_cast<double>(total) / static_cast<double>(arithmetic.bytes().size()), 1.0);
    // The progressive tower is the same photo, coded again.
    const Picture24 tower = ReadJpeg(dir / "tower.jpg");
    const Picture24 progressive = ReadJpeg(dir / "tower_progressive.jpg");
    EXPECT_LE(test::MaxChannelDifference(test::PlainAreaAverage(tower, 32, 32),
                                         test::PlainAreaAverage(progressive, 32, 32)),
              8);
    // The grayscale tower: grey, with the colour photo's brightness.
    const Picture24 grey = test::PlainAreaAverage(ReadJpeg(dir / "tower_grayscale.jpg"), 32, 32);
    const Picture24 colour = test::PlainAreaAverage(tower, 32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const test::Rgb g = test::PixelAt(grey, x, y), c = test::PixelAt(colour, x, y);
            ASSERT_EQ(g[0], g[1]);
            ASSERT_EQ(g[0], g[2]);
            ASSERT_NEAR(g[0], 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2], 12) << x << "," << y;
        }
}

TEST(JpegSamples, ProgressiveSamplesSpilledToATemporaryFileGiveTheSamePicture) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    for (const char* name : {"tower_progressive.jpg", "truncated_jpeg.jpg"}) {
        JpegReport inMemory, spilled;
        const Picture24 expected = ReadJpeg(dir / name, {}, &inMemory);
        EXPECT_EQ(ReadJpeg(dir / name, {.maxCoefficientMemory = 0}, &spilled), expected) << name;
        EXPECT_EQ(spilled.firstWarning, inMemory.firstWarning) << name;
    }
}

TEST(JpegSamples, CmykSamplesShowTheirColours) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    // Four words in cyan, yellow, magenta and black on white.
    const Picture24 words = ReadJpeg(dir / "jpg-cmyk-2.jpg");
    ExpectNear(test::PixelAt(words, 2, 2), {255, 255, 255}, 8, "background");
    ExpectNear(test::PixelAt(words, 250, 250), {255, 255, 255}, 8, "background");
    const auto darkest = [&](int x0, int y0, int x1, int y1, int channel) {
        test::Rgb best{255, 255, 255};
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (words.at(x, y)[channel] < best[channel]) best = test::PixelAt(words, x, y);
        return best;
    };
    const test::Rgb cyan = darkest(25, 30, 75, 52, 0);
    EXPECT_LT(cyan[0], 100);
    EXPECT_GT(cyan[1], 150);
    EXPECT_GT(cyan[2], 150);
    const test::Rgb yellow = darkest(120, 68, 190, 90, 2);
    EXPECT_LT(yellow[2], 100);
    EXPECT_GT(yellow[0], 150);
    EXPECT_GT(yellow[1], 150);
    const test::Rgb magenta = darkest(50, 112, 135, 136, 1);
    EXPECT_LT(magenta[1], 100);
    EXPECT_GT(magenta[0], 150);
    EXPECT_GT(magenta[2], 150);
    int black = 3 * 255;
    for (int y = 198; y < 220; ++y)
        for (int x = 65; x < 120; ++x)
            black = std::min(black, words.at(x, y)[0] + words.at(x, y)[1] + words.at(x, y)[2]);
    EXPECT_LT(black, 60);

    // YCCK: the word RED in red on black (with a red mark in the top-left corner).
    const Picture24 red = ReadJpeg(dir / "pil_sample_cmyk.jpg");
    ExpectNear(test::PixelAt(red, 98, 98), {0, 0, 0}, 12, "corner");
    ExpectNear(test::PixelAt(red, 1, 1), {255, 0, 0}, 30, "mark");
    int redPixels = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (red.at(x, y)[0] > 200 && red.at(x, y)[1] < 60 && red.at(x, y)[2] < 60) ++redPixels;
    EXPECT_GT(redPixels, 300);
}

}  // namespace
}  // namespace corvina
