#include "core/wallpaper/wallpaper_transport.h"
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/messages.h"
#include "core/formats/gbp.h"
#include "core/os/drives.h"
#include "core/pictures/bitmap.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

class Recorder : public Messages, public StatusLine {
public:
    bool Show(MessageKind kind, std::string_view text) override {
        boxes.push_back({kind, std::string(text)});
        return false;
    }
    void SetText(std::string_view text) override { status.emplace_back(text); }
    std::vector<std::pair<MessageKind, std::string>> boxes;
    std::vector<std::string> status;
};

class TransporterTest : public ::testing::Test {
protected:
    TransporterTest() : drives_(dir_ / "prefix") {
        drives_.CreateLayout();
        fs::create_directories(stick_);  // drive g: no GBSYSTEM folder, no player
        fs::create_directory_symlink(stick_, drives_.prefix() / "dosdevices" / "g:");
        Picture15 small(40, 30);
        for (std::size_t i = 0; i < small.pixels().size(); ++i)
            small.pixels()[i] = static_cast<std::uint16_t>(i * 37 % 0x8000);
        test::WriteBytes(dir_ / "photo.bmp", EncodeBitmap24(small));
        wallpaper_ = transporter_.Load(dir_ / "photo.bmp");
    }

    WallpaperTransporter::Outcome Transport(std::string_view deviceDrive) {
        log_ = {};
        return transporter_.Transport(drives_, deviceDrive, log_, log_);
    }

    test::TempDir dir_;
    DriveMap drives_;
    fs::path stick_ = dir_ / "stick";
    fs::path copy_ = dir_ / "prefix" / "drive_c" / "unko.bmp";
    WallpaperTransporter transporter_;
    Picture15 wallpaper_;
    Recorder log_;
};

TEST_F(TransporterTest, AFailedWriteNamesTheFileAndKeepsThePictureForAnotherTry) {
    const struct {
        std::string deviceDrive;
        bool copyIsFolder;
        std::string message;  // of the default error box
    } cases[] = {
        {"q", false,
         "ドライブがありません: \"Q:\\GBWALL.GBP\" (ドライブ Q: は割り当てられていません)"},
        {"", false,
         "ファイルを作成できません: \"GBWALL.GBP\" (プレーヤーのドライブが設定されていません)"},
        // The wallpaper is on the player already; the copy is named as the user knows it.
        {"g", true, "ファイルを作成できません: \"C:\\unko.bmp\" (Is a directory)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.copyIsFolder) fs::create_directory(copy_);
        EXPECT_EQ(Transport(c.deviceDrive), WallpaperTransporter::Outcome::Failed);
        EXPECT_EQ(log_.boxes, (decltype(log_.boxes){{MessageKind::DefaultError, c.message}}));
        EXPECT_EQ(log_.status, (std::vector<std::string>{std::string(kTransportingText), ""}));
        EXPECT_EQ(transporter_.state(), WallpaperTransporter::State::Loaded);
        EXPECT_EQ(fs::exists(stick_ / "GBWALL.GBP"), c.copyIsFolder);
        fs::remove(copy_);
        fs::remove(stick_ / "GBWALL.GBP");
    }
    // Once the cause is gone the same picture goes out, to a drive that holds no player.
    EXPECT_EQ(Transport("g:\\music"), WallpaperTransporter::Outcome::Sent);
    EXPECT_EQ(log_.boxes, (decltype(log_.boxes){{MessageKind::Plain, "転送が完了しました。"}}));
    EXPECT_EQ(test::ReadBytes(stick_ / "GBWALL.GBP"), WriteWallpaperGbp(wallpaper_));
    EXPECT_EQ(test::ReadBytes(copy_), EncodeBitmap16(wallpaper_));
    EXPECT_EQ(transporter_.state(), WallpaperTransporter::State::Sent);
}

// GBWALL.GBP or the bitmap copy being a link out of its drive: nothing is written through it,
// nor anything else.
TEST_F(TransporterTest, ALinkLeadingOutOfTheDriveIsRefusedBeforeAnythingIsWritten) {
    const fs::path outside = dir_ / "outside.bin";
    test::WriteText(outside, "not a wallpaper");
    const fs::path real = fs::canonical(dir_.path());
    const struct {
        fs::path link;
        std::string message;
    } cases[] = {
        {stick_ / "GBWALL.GBP", "ドライブの外を指すリンクには書き込みません: \"G:\\GBWALL.GBP\" (" +
                                    (real / "outside.bin").string() + ")"},
        {copy_, "ドライブの外を指すリンクには書き込みません: \"C:\\unko.bmp\" (" +
                    (real / "outside.bin").string() + ")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        fs::create_symlink(outside, c.link);
        EXPECT_EQ(Transport("g"), WallpaperTransporter::Outcome::Failed);
        EXPECT_EQ(log_.boxes, (decltype(log_.boxes){{MessageKind::DefaultError, c.message}}));
        EXPECT_TRUE(test::ReadText(outside) == "not a wallpaper") << "the outside file changed";
        EXPECT_TRUE(fs::is_symlink(c.link));
        EXPECT_EQ(std::distance(fs::directory_iterator(stick_), fs::directory_iterator()),
                  c.link == copy_ ? 0 : 1);
        EXPECT_FALSE(fs::exists(copy_) && !fs::is_symlink(copy_));
        fs::remove(c.link);
    }
}

// The write fails part-way (the file size limit stands in for a full or pulled-out player): the
// old wallpaper stays whole and no piece of the new one is left beside it.
TEST_F(TransporterTest, AWriteFailingHalfWayLeavesTheOldWallpaperWhole) {
    test::WriteText(stick_ / "GBWALL.GBP", "the old wallpaper");
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const WallpaperTransporter::Outcome outcome = Transport("g");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_EQ(outcome, WallpaperTransporter::Outcome::Failed);
    EXPECT_EQ(test::ReadText(stick_ / "GBWALL.GBP"), "the old wallpaper");
    EXPECT_EQ(std::distance(fs::directory_iterator(stick_), fs::directory_iterator()), 1);
    EXPECT_FALSE(fs::exists(copy_));
    EXPECT_EQ(transporter_.state(), WallpaperTransporter::State::Loaded);
}

}  // namespace
}  // namespace corvina
