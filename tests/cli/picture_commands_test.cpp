#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/commands.h"
#include "core/formats/gbp.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/picture_import.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina::cli {
namespace {

// A 24-bit bitmap of a 30x20 gradient, written with our own writer's 15-bit colours.
fs::path WritePicture(const fs::path& path) {
    Picture15 picture(30, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            picture.set(x, y, static_cast<std::uint16_t>((x << 10) | (y << 5) | ((x + y) % 32)));
    test::WriteBytes(path, EncodeBitmap24(picture));
    return path;
}

TEST(PictureCommands, JacketWritesThe75x75GbpOfThePicture) {
    test::TempDir dir;
    const fs::path picture = WritePicture(dir / "photo.bmp");
    const Result result =
        RunCli(dir / "prefix", {"jacket", picture.string(), (dir / "a.gbp").string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, "");
    const auto bytes = test::ReadBytes(dir / "a.gbp");
    EXPECT_EQ(bytes.size(), kJacketGbpFileSize);
    EXPECT_EQ(bytes, WriteJacketGbp(ImportPicture(picture, 75, 75)));
}

TEST(PictureCommands, JacketThroughADanglingLinkWritesTheLinksTarget) {
    test::TempDir dir;
    const fs::path picture = fs::path(CORVINA_SOURCE_DIR) / "resources" / "NoImage.bmp";
    fs::create_symlink(dir / "target.gbp", dir / "link.gbp");
    const Result result =
        RunCli(dir / "prefix", {"jacket", picture.string(), (dir / "link.gbp").string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.gbp"));
    EXPECT_EQ(test::ReadBytes(dir / "target.gbp"), WriteJacketGbp(ImportPicture(picture, 75, 75)));
}

TEST(PictureCommands, WallpaperWritesTheGbpAndOnRequestThe16BitBitmap) {
    test::TempDir dir;
    const fs::path picture = WritePicture(dir / "photo.bmp");
    const Picture15 expected = ImportPicture(picture, 240, 320);

    Result result =
        RunCli(dir / "prefix", {"wallpaper", picture.string(), (dir / "w.gbp").string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(test::ReadBytes(dir / "w.gbp"), WriteWallpaperGbp(expected));
    EXPECT_FALSE(fs::exists(dir / "w.bmp"));

    result = RunCli(dir / "prefix", {"wallpaper", "--bmp", (dir / "w.bmp").string(),
                                     picture.string(), (dir / "w2.gbp").string()});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(test::ReadBytes(dir / "w2.gbp").size(), kWallpaperGbpFileSize);
    EXPECT_EQ(test::ReadBytes(dir / "w.bmp"), EncodeBitmap16(expected));
}

TEST(PictureCommands, BadPicturesFailAndWriteNothing) {
    test::TempDir dir;
    test::WriteText(dir / "not.bmp", "hello");
    // A bitmap: loads fine. (Not "photo.Jpg", which is "photo.jpg" on Windows.)
    const fs::path jpegNamedOddly = WritePicture(dir / "other.Jpg");
    test::WriteText(dir / "photo.jpg", "BM not a jpeg");

    Result result =
        RunCli(dir / "prefix", {"jacket", (dir / "not.bmp").string(), (dir / "a.gbp").string()});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_NE(result.err.find("ビットマップ ファイルが正しくありません"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("not.bmp"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "a.gbp"));

    result = RunCli(dir / "prefix", {"wallpaper", (dir / "photo.jpg").string(),
                                     (dir / "w.gbp").string(), "--bmp", (dir / "w.bmp").string()});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_NE(result.err.find("JPEG"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "w.gbp"));
    EXPECT_FALSE(fs::exists(dir / "w.bmp"));

    result = RunCli(dir / "prefix", {"jacket", jpegNamedOddly.string(), (dir / "b.gbp").string()});
    EXPECT_EQ(result.status, kExitOk) << result.err;

    result = RunCli(dir / "prefix",
                    {"jacket", (dir / "missing.bmp").string(), (dir / "c.gbp").string()});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_NE(result.err.find("missing.bmp"), std::string::npos) << result.err;
}

TEST(PictureCommands, WrongUsageExitsWithTwo) {
    test::TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"jacket"},
          {"jacket", "a.bmp"},
          {"jacket", "a", "b", "c"},
          {"jacket", "--bmp", "x", "a", "b"},
          {"wallpaper", "a.bmp"},
          {"wallpaper", "a", "b", "--bmp"},
          {"wallpaper", "a", "b", "--bmp", "x", "--bmp", "y"},
          {"wallpaper", "a", "b", "--bmp", ""},
          {"wallpaper", "-x", "a", "b"}}) {
        const Result result = RunCli(dir / "prefix", args);
        EXPECT_EQ(result.status, kExitUsage) << args.size();
        EXPECT_NE(result.err.find("usage: corvina-cli " + args[0]), std::string::npos)
            << result.err;
    }
}

}  // namespace
}  // namespace corvina::cli
