#include "gui/wallpaper/wallpaper_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <filesystem>

#include "core/formats/gbp.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/picture_import.h"
#include "gui/app/main_window.h"
#include "gui/controls/picture_label.h"
#include "gui/window_test_support.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

using Boxes = std::vector<std::pair<MessageKind, QString>>;
const QString kNoPicture = QStringLiteral("背景画像が選択されてませんよハゲ。");

class WallpaperWindowTest : public ::testing::Test {
protected:
    WallpaperWindowTest() {
        test::MakePlayer(prefix_.MapDrive('f', "player"));
        CreateForms(prefix_.drives(), test::NoMounts);
        Form1->Session.DeviceDrive = "g";  // a drive without a player
        boxes_.shown.clear();
    }
    ~WallpaperWindowTest() override { DestroyForms(); }

    // Shows the dialog from the main menu, runs `inDialog` in it, then presses "Close".
    void InDialog(const std::function<void()>& inDialog) {
        test::WhenModal([&](QWidget* modal) {
            EXPECT_EQ(modal, Form4);
            inDialog();
            Form4->Button3->click();
        });
        Form1->W1->trigger();
        EXPECT_FALSE(Form4->isVisible());
    }

    // "Load" with the open dialog answering `chosen` (nothing: the user cancels).
    void Load(const std::optional<QString>& chosen) {
        dialogs_.answers = {chosen};
        Form4->Button1->click();
    }

    Boxes TakeBoxes() {
        Boxes boxes;
        for (const auto& shown : boxes_.shown) boxes.emplace_back(shown.kind, shown.text);
        boxes_.shown.clear();
        return boxes;
    }

    static QImage Preview() {
        return Form4->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    }

    test::TempPrefix prefix_;
    test::ScriptedMessageBoxes boxes_;
    test::ScriptedOpenDialogs dialogs_;
    fs::path stick_ = prefix_.MapDrive('g', "stick");
    fs::path photos_ = prefix_.MapDrive('h', "photos");
};

TEST_F(WallpaperWindowTest, PhotoIsPreviewedAsImportedAndSentOnce) {
    CORVINA_REQUIRE_TESTDATA(dir, "jpeg");
    for (const char* name : {"tower.JPG", "tower.Jpg"})
        fs::copy_file(dir / "tower.jpg", photos_ / name);
    const Picture15 expected = ImportPicture(photos_ / "tower.JPG", 240, 320);
    InDialog([&] {
        QImage white(240, 320, QImage::Format_RGB32);
        white.fill(Qt::white);
        EXPECT_EQ(Preview(), white);
        Form4->Button2->click();
        EXPECT_EQ(TakeBoxes(), (Boxes{{MessageKind::Error, kNoPicture}}));

        Load(QStringLiteral("H:\\tower.JPG"));
        EXPECT_EQ(dialogs_.requests.at(0).filter,
                  "JPEG イメージファイル (*.jpg)|*.jpg|ビットマップ (*.bmp)|*.bmp");
        EXPECT_EQ(Preview(), ToImage(expected));
        test::SaveScreenshot(Form4, "Form4");
        // JPEG data under another extension is read as a bitmap and fails.
        Load(QStringLiteral("H:\\tower.Jpg"));
        EXPECT_EQ(TakeBoxes().at(0).first, MessageKind::DefaultError);

        Form4->Button2->click();
        Form4->Button2->click();
        EXPECT_EQ(TakeBoxes(), (Boxes{{MessageKind::Plain, QStringLiteral("転送が完了しました。")},
                                      {MessageKind::Error, kNoPicture}}));
        EXPECT_EQ(Form4->StatusBar1->currentMessage(), "");
        EXPECT_EQ(Preview(), ToImage(expected));  // still showing what was sent
    });
    // What the player and the bitmap copy hold reads back into the previewed picture.
    EXPECT_EQ(fs::file_size(stick_ / "GBWALL.GBP"), kWallpaperGbpFileSize);
    EXPECT_EQ(ReadGbpPicture(stick_ / "GBWALL.GBP", 240, 320), expected);
    EXPECT_EQ(ReducePicture(ReadBitmap(prefix_.drives().prefix() / "drive_c" / "unko.bmp")),
              expected);
}

TEST_F(WallpaperWindowTest, PictureLoadedBeforeClosingIsSentAfterReopening) {
    Picture15 wide(480, 320);
    for (std::size_t i = 0; i < wide.pixels().size(); ++i)
        wide.pixels()[i] = static_cast<std::uint16_t>(i * 29 % 0x8000);
    test::WriteBytes(photos_ / "wide.bmp", EncodeBitmap24(wide));
    const Picture15 expected = ImportPicture(photos_ / "wide.bmp", 240, 320);
    // A host path (what the open dialog gives for a file on no drive) is read as it is.
    InDialog([&] { Load(QString::fromStdString((photos_ / "wide.bmp").string())); });

    test::WriteText(photos_ / "text.bmp", "not a picture");
    InDialog([&] {
        // Cancelled, then three files that cannot be read.
        for (const QString& chosen :
             {QString(), QStringLiteral("H:\\text.bmp"), QStringLiteral("H:\\gone.bmp"),
              QStringLiteral("Q:\\a.bmp")}) {
            Load(chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen));
            EXPECT_EQ(TakeBoxes().size(), chosen.isEmpty() ? 0u : 1u);
            EXPECT_EQ(Preview(), ToImage(expected));
        }
        Form4->Button2->click();
    });
    EXPECT_EQ(TakeBoxes(), (Boxes{{MessageKind::Plain, QStringLiteral("転送が完了しました。")}}));
    EXPECT_EQ(ReadGbpPicture(stick_ / "GBWALL.GBP", 240, 320), expected);
}

}  // namespace
}  // namespace corvina
