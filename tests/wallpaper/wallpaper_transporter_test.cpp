#include "wallpaper/wallpaper_transporter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/gbp.h"
#include "platform/bitmap.h"
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/messages.h"
#include "platform/picture_import.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

using State = WallpaperTransporter::State;
using Outcome = WallpaperTransporter::Outcome;

struct Shown {
    MessageKind kind;
    std::string text;
    friend bool operator==(const Shown&, const Shown&) = default;
};

class RecordedMessages : public Messages {
public:
    bool Show(MessageKind kind, std::string_view text) override {
        shown.push_back({kind, std::string(text)});
        return false;
    }
    std::vector<Shown> shown;
};

class RecordedStatus : public StatusLine {
public:
    void SetText(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

// A 24-bit bitmap of a w x h gradient whose colours depend on `seed`.
fs::path WritePicture(const fs::path& path, int width, int height, int seed) {
    Picture15 picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.set(x, y,
                        static_cast<std::uint16_t>(((x + seed) % 32 << 10) | (y % 32 << 5) |
                                                   ((x + y + seed) % 32)));
    test::WriteBytes(path, EncodeBitmap24(picture));
    return path;
}

class TransporterTest : public ::testing::Test {
protected:
    TransporterTest() : drives_(dir_ / "prefix") {
        // Drive g is a plain stick: no GBSYSTEM folder, no player.
        stick_ = dir_ / "stick";
        fs::create_directories(stick_);
        fs::create_directory_symlink(stick_, drives_.prefix() / "dosdevices" / "g:");
        copy_ = *drives_.DriveRoot('c') / "unko.bmp";
    }

    Outcome Transport(std::string_view deviceDrive = "g") {
        return transporter_.Transport(drives_, deviceDrive, messages_, status_);
    }

    test::TempDir dir_;
    DriveMap drives_;
    fs::path stick_;
    fs::path copy_;
    WallpaperTransporter transporter_;
    RecordedMessages messages_;
    RecordedStatus status_;
};

TEST_F(TransporterTest, NothingLoadedShowsTheErrorAndWritesNothing) {
    EXPECT_EQ(transporter_.state(), State::Empty);
    EXPECT_EQ(Transport(), Outcome::NoPicture);
    EXPECT_EQ(messages_.shown,
              (std::vector<Shown>{{MessageKind::Error, std::string(kNoWallpaperMessage)}}));
    EXPECT_TRUE(status_.texts.empty());
    EXPECT_FALSE(fs::exists(stick_ / "GBWALL.GBP"));
    EXPECT_FALSE(fs::exists(copy_));
}

TEST_F(TransporterTest, LoadTransportTransportSendsOnceThenAsksForAPicture) {
    const fs::path file = WritePicture(dir_ / "photo.bmp", 480, 320, 0);
    const Picture15& loaded = transporter_.Load(file);
    const Picture15 expected = ImportPicture(file, 240, 320);
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(transporter_.state(), State::Loaded);

    // The lower-case letter of DeviceDrive names the same drive; the rest of the text is ignored.
    EXPECT_EQ(Transport("g:\\music"), Outcome::Sent);
    const auto gbp = test::ReadBytes(stick_ / "GBWALL.GBP");
    EXPECT_EQ(gbp.size(), kWallpaperGbpFileSize);
    EXPECT_EQ(gbp, WriteWallpaperGbp(expected));
    EXPECT_EQ(test::ReadBytes(copy_), EncodeBitmap16(expected));
    EXPECT_EQ(status_.texts, (std::vector<std::string>{std::string(kTransportingText), ""}));
    EXPECT_EQ(messages_.shown,
              (std::vector<Shown>{{MessageKind::Plain, std::string(kTransportDoneMessage)}}));
    EXPECT_EQ(transporter_.state(), State::Sent);
    EXPECT_EQ(transporter_.Wallpaper(), nullptr);

    messages_.shown.clear();
    EXPECT_EQ(Transport(), Outcome::NoPicture);
    EXPECT_EQ(messages_.shown,
              (std::vector<Shown>{{MessageKind::Error, std::string(kNoWallpaperMessage)}}));

    // A new Load after a transport makes the transporter ready again.
    transporter_.Load(file);
    EXPECT_EQ(transporter_.state(), State::Loaded);
}

TEST_F(TransporterTest, EachLoadReplacesThePictureAndAFailedLoadKeepsIt) {
    transporter_.Load(WritePicture(dir_ / "a.bmp", 30, 20, 1));
    const fs::path second = WritePicture(dir_ / "b.bmp", 120, 160, 7);
    transporter_.Load(second);
    const Picture15 expected = ImportPicture(second, 240, 320);
    ASSERT_NE(transporter_.Wallpaper(), nullptr);
    EXPECT_EQ(*transporter_.Wallpaper(), expected);

    test::WriteText(dir_ / "text.bmp", "hello");
    fs::copy_file(second, dir_ / "bitmap.jpg");  // a bitmap under a JPEG name
    const struct {
        fs::path file;
        bool fileError;
    } failures[] = {
        {dir_ / "missing.bmp", true}, {dir_ / "text.bmp", false}, {dir_ / "bitmap.jpg", false}};
    for (const auto& failure : failures) {
        if (failure.fileError) {
            EXPECT_THROW(transporter_.Load(failure.file), FileError) << failure.file;
        } else {
            EXPECT_THROW(transporter_.Load(failure.file), FormatError) << failure.file;
        }
        EXPECT_EQ(transporter_.state(), State::Loaded);
        EXPECT_EQ(*transporter_.Wallpaper(), expected) << failure.file;
    }
    EXPECT_EQ(Transport(), Outcome::Sent);
    EXPECT_EQ(test::ReadBytes(stick_ / "GBWALL.GBP"), WriteWallpaperGbp(expected));
}

TEST_F(TransporterTest, AFailedWriteKeepsThePictureForAnotherTry) {
    const fs::path file = WritePicture(dir_ / "photo.bmp", 40, 40, 3);
    const Picture15 expected = ImportPicture(file, 240, 320);
    struct Case {
        const char* what;
        std::string deviceDrive;
        bool copyIsFolder;
        bool gbpWritten;
        std::string message;  // the text of the default error box
    };
    const Case cases[] = {
        {"unmapped drive", "q", false, false,
         "ドライブがありません: \"q:\\GBWALL.GBP\" (ドライブ Q: は割り当てられていません)"},
        {"empty DeviceDrive", "", false, false,
         "ファイルを作成できません: \"GBWALL.GBP\" (プレーヤーのドライブが設定されていません)"},
        // The message names the file as the user knows it, not its host path.
        {"bitmap copy cannot be replaced", "g", true, true,
         "ファイルを作成できません: \"C:\\unko.bmp\" (Is a directory)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(stick_ / "GBWALL.GBP");
        fs::remove(copy_);
        if (c.copyIsFolder) fs::create_directory(copy_);
        messages_.shown.clear();
        status_.texts.clear();
        transporter_.Load(file);

        EXPECT_EQ(Transport(c.deviceDrive), Outcome::Failed);
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].kind, MessageKind::DefaultError);
        EXPECT_EQ(messages_.shown[0].text, c.message);
        EXPECT_EQ(status_.texts, (std::vector<std::string>{std::string(kTransportingText), ""}));
        EXPECT_EQ(transporter_.state(), State::Loaded);
        EXPECT_EQ(fs::exists(stick_ / "GBWALL.GBP"), c.gbpWritten);
        if (c.gbpWritten) {
            EXPECT_EQ(test::ReadBytes(stick_ / "GBWALL.GBP"), WriteWallpaperGbp(expected));
        }
        if (c.copyIsFolder) fs::remove(copy_);

        // Once the cause is gone the same picture goes out.
        messages_.shown.clear();
        EXPECT_EQ(Transport("g"), Outcome::Sent);
        EXPECT_EQ(test::ReadBytes(stick_ / "GBWALL.GBP"), WriteWallpaperGbp(expected));
    }
}

// The write itself fails part-way (the file size limit stands in for a full or pulled-out
// player): the old wallpaper stays whole and no piece of the new one is left beside it.
TEST_F(TransporterTest, AWriteFailingHalfWayLeavesTheOldWallpaperWhole) {
    test::WriteText(stick_ / "GBWALL.GBP", "the old wallpaper");
    transporter_.Load(WritePicture(dir_ / "photo.bmp", 40, 40, 5));

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Outcome outcome = Transport();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_EQ(test::ReadText(stick_ / "GBWALL.GBP"), "the old wallpaper");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(stick_))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"GBWALL.GBP"});
    EXPECT_FALSE(fs::exists(copy_));
    EXPECT_EQ(transporter_.state(), State::Loaded);
}

}  // namespace
}  // namespace corvina
