#include "wallpaper/wallpaper_window.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <filesystem>

#include "app/main_window.h"
#include "controls/picture_label.h"
#include "formats/gbp.h"
#include "platform/bitmap.h"
#include "platform/picture_import.h"
#include "window_test_support.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

using State = WallpaperTransporter::State;
using test::SaveScreenshot;
using test::WhenModal;

constexpr const char* kNoPicture = "背景画像が選択されてませんよハゲ。";
constexpr const char* kDone = "転送が完了しました。";

class WallpaperWindowTest : public ::testing::Test {
protected:
    WallpaperWindowTest() {
        test::MakePlayer(prefix_.MapDrive('f', "player"));
        stick_ = prefix_.MapDrive('g', "stick");  // no player on it
        photos_ = prefix_.MapDrive('h', "photos");
        CreateForms(prefix_.drives());
        Form1->DeviceDrive = "g";
        boxes_.shown.clear();
    }
    ~WallpaperWindowTest() override { DestroyForms(); }

    // Shows the dialog from the main menu and runs `inDialog` while it is open.
    void OpenWallpaper(const std::function<void()>& inDialog) {
        bool seen = false;
        WhenModal([&](QWidget* modal) {
            EXPECT_EQ(modal, Form4);
            seen = true;
            inDialog();
            if (Form4->isVisible()) Form4->Button3->click();
        });
        Form1->W1->trigger();
        EXPECT_TRUE(seen);
        EXPECT_FALSE(Form4->isVisible());
    }

    // "Load" with the open dialog answering `chosen` (nothing: the user cancels).
    void Load(const std::optional<QString>& chosen) {
        dialogs_.answers.push_back(chosen);
        Form4->Button1->click();
    }

    // A 24-bit bitmap of a gradient, in the photo drive; returns its host path.
    fs::path WriteBitmap(const std::string& name, int width, int height) {
        Picture15 picture(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.set(x, y, static_cast<std::uint16_t>((x % 32 << 10) | (y % 32 << 5) | 21));
        test::WriteBytes(photos_ / name, EncodeBitmap24(picture));
        return photos_ / name;
    }

    static QImage Preview() {
        return Form4->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    }

    std::vector<test::ScriptedMessageBoxes::Shown> Boxes() const { return boxes_.shown; }
    QString Status() const { return Form4->StatusBar1->currentMessage(); }

    test::TempPrefix prefix_;
    test::ScriptedMessageBoxes boxes_;
    test::ScriptedOpenDialogs dialogs_;
    fs::path stick_;
    fs::path photos_;
};

TEST_F(WallpaperWindowTest, ControlsSitAtTheirPlacesAndThePreviewStartsWhite) {
    EXPECT_EQ(Form4->parentWidget(), Form1);
    EXPECT_EQ(Form4->windowTitle(), "Wallpaper Transporter");
    EXPECT_EQ(Form4->size(), QSize(413, 452));
    EXPECT_EQ(Form4->minimumSize(), Form4->maximumSize());
    const struct {
        QWidget* control;
        QWidget* parent;
        QRect geometry;
    } controls[] = {
        {Form4->GroupBox1, Form4, QRect(16, 16, 377, 369)},
        {Form4->Bevel1, Form4->GroupBox1, QRect(16, 29, 244, 324)},
        {Form4->Image1, Form4->GroupBox1, QRect(18, 31, 240, 320)},
        {Form4->Button1, Form4->GroupBox1, QRect(264, 32, 105, 33)},
        {Form4->Button2, Form4->GroupBox1, QRect(264, 80, 105, 33)},
        {Form4->Button3, Form4, QRect(296, 392, 97, 33)},
        {Form4->StatusBar1, Form4, QRect(0, 432, 413, 20)},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.control->parentWidget(), c.parent) << c.control->objectName().toStdString();
        EXPECT_EQ(c.control->geometry(), c.geometry) << c.control->objectName().toStdString();
    }
    EXPECT_EQ(Form4->GroupBox1->title(), "Wallpaper");
    EXPECT_EQ(Form4->Button1->text(), "Load");
    EXPECT_EQ(Form4->Button2->text(), "Transport");
    EXPECT_EQ(Form4->Button3->text(), "Close");

    QImage white(240, 320, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(Preview(), white);
    EXPECT_EQ(Form4->Transporter().state(), State::Empty);
}

TEST_F(WallpaperWindowTest, TransportRightAfterOpeningAsksForAPictureAndWritesNothing) {
    OpenWallpaper([&] {
        Form4->Button2->click();
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].kind, MessageKind::Error);
        EXPECT_EQ(Boxes()[0].text, kNoPicture);
        EXPECT_EQ(Status(), "");
    });
    EXPECT_FALSE(fs::exists(stick_ / "GBWALL.GBP"));
    EXPECT_FALSE(fs::exists(prefix_.drives().prefix() / "drive_c" / "unko.bmp"));
}

TEST_F(WallpaperWindowTest, PhotoIsPreviewedAsImportedAndSentOnce) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    fs::copy_file(dir / "tower.jpg", photos_ / "tower.jpg");
    const Picture15 expected = ImportPicture(photos_ / "tower.jpg", 240, 320);

    OpenWallpaper([&] {
        EXPECT_EQ(Status(), "");
        Load(QStringLiteral("H:\\tower.jpg"));
        ASSERT_EQ(dialogs_.requests.size(), 1u);
        EXPECT_EQ(dialogs_.requests[0].filter,
                  "JPEG イメージファイル (*.jpg)|*.jpg|ビットマップ (*.bmp)|*.bmp");
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(Preview(), ToImage(expected));
        SaveScreenshot(Form4, "Form4");

        Form4->Button2->click();
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].kind, MessageKind::Plain);
        EXPECT_EQ(Boxes()[0].text, kDone);
        EXPECT_EQ(Status(), "");
        EXPECT_EQ(Form4->Transporter().state(), State::Sent);
        // The preview keeps showing what was sent.
        EXPECT_EQ(Preview(), ToImage(expected));

        Form4->Button2->click();
        ASSERT_EQ(Boxes().size(), 2u);
        EXPECT_EQ(Boxes()[1].kind, MessageKind::Error);
        EXPECT_EQ(Boxes()[1].text, kNoPicture);
    });
    // What the player and the bitmap copy hold reads back into the previewed picture.
    EXPECT_EQ(fs::file_size(stick_ / "GBWALL.GBP"), kWallpaperGbpFileSize);
    EXPECT_EQ(ReadGbpPicture(stick_ / "GBWALL.GBP", 240, 320), expected);
    EXPECT_EQ(ReducePicture(ReadBitmap(prefix_.drives().prefix() / "drive_c" / "unko.bmp")),
              expected);
}

TEST_F(WallpaperWindowTest, PictureLoadedBeforeClosingIsSentAfterReopening) {
    // A file outside every drive comes back as a host path.
    const fs::path wide = WriteBitmap("wide.bmp", 480, 320);
    const Picture15 expected = ImportPicture(wide, 240, 320);
    OpenWallpaper([&] { Load(QString::fromStdString(wide.string())); });
    EXPECT_EQ(Form4->Transporter().state(), State::Loaded);

    OpenWallpaper([&] {
        EXPECT_EQ(Preview(), ToImage(expected));
        Form4->Button2->click();
    });
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, kDone);
    EXPECT_EQ(ReadGbpPicture(stick_ / "GBWALL.GBP", 240, 320), expected);
}

TEST_F(WallpaperWindowTest, CancelledOrFailedLoadLeavesPictureAndPreviewAsTheyWere) {
    const Picture15 first = ImportPicture(WriteBitmap("first.bmp", 120, 160), 240, 320);
    Load(QStringLiteral("H:\\first.bmp"));
    test::WriteText(photos_ / "text.bmp", "not a picture");

    const struct {
        const char* what;
        std::optional<QString> chosen;
        bool errorBox;
    } cases[] = {
        {"cancelled", std::nullopt, false},
        {"no bitmap", QStringLiteral("H:\\text.bmp"), true},
        {"missing file", QStringLiteral("H:\\gone.bmp"), true},
        {"unmapped drive", QStringLiteral("Q:\\photo.bmp"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes_.shown.clear();
        Load(c.chosen);
        ASSERT_EQ(Boxes().size(), c.errorBox ? 1u : 0u);
        if (c.errorBox) {
            EXPECT_EQ(Boxes()[0].kind, MessageKind::DefaultError);
        }
        EXPECT_EQ(Form4->Transporter().state(), State::Loaded);
        EXPECT_EQ(*Form4->Transporter().Wallpaper(), first);
        EXPECT_EQ(Preview(), ToImage(first));
    }
}

TEST_F(WallpaperWindowTest, OnlyJPGAndjpgNamesAreReadAsJpeg) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    for (const char* name : {"a.JPG", "a.jpg", "a.Jpg", "a.jpeg"}) {
        SCOPED_TRACE(name);
        fs::copy_file(dir / "tower.jpg", photos_ / name, fs::copy_options::overwrite_existing);
        boxes_.shown.clear();
        const QImage before = Preview();
        Load(QStringLiteral("H:\\") + QString::fromLatin1(name));
        const bool jpegName =
            std::string_view(name) == "a.JPG" || std::string_view(name) == "a.jpg";
        if (jpegName) {
            EXPECT_TRUE(Boxes().empty());
            EXPECT_EQ(Preview(), ToImage(ImportPicture(photos_ / name, 240, 320)));
        } else {
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0].kind, MessageKind::DefaultError);
            EXPECT_EQ(Preview(), before);
        }
    }
}

TEST_F(WallpaperWindowTest, WriteFailureKeepsThePictureForAnotherTransport) {
    Load(QStringLiteral("H:\\") +
         QString::fromStdString(WriteBitmap("p.bmp", 60, 80).filename().string()));
    Form1->DeviceDrive = "q";  // no such drive
    Form4->Button2->click();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].kind, MessageKind::DefaultError);
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(Form4->Transporter().state(), State::Loaded);

    Form1->DeviceDrive = "g";
    Form4->Button2->click();
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].text, kDone);
    EXPECT_TRUE(fs::exists(stick_ / "GBWALL.GBP"));
}

}  // namespace
}  // namespace corvina
