// The filer page and the GBP view page on a player with tags and pictures like the demo player's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/formats/gbp.h"
#include "gui/app/main_window.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/rewrite/rewrite_settings_window.h"
#include "gui/window_test_support.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using test::WriteBytes;

// A SAT file of 1 KB with the tag texts written as UTF-16LE units at their offsets.
void WriteSat(const fs::path& path, const std::u16string& title, const std::u16string& artist,
              std::uint8_t track, const std::u16string& gbpName) {
    std::vector<std::uint8_t> bytes(1024, 0);
    const auto put = [&bytes](std::size_t offset, const std::u16string& text) {
        for (std::size_t k = 0; k < text.size(); ++k) {
            bytes[offset + 2 * k] = static_cast<std::uint8_t>(text[k] & 0xFF);
            bytes[offset + 2 * k + 1] = static_cast<std::uint8_t>(text[k] >> 8);
        }
    };
    put(128, title);
    put(256, artist);
    put(384, u"Album");
    put(698, u"ロック");
    bytes[512] = track;
    put(528, gbpName);
    WriteBytes(path, bytes);
}

// A GBP file of `size` bytes whose pixels all have the 15-bit value `colour`.
void WriteGbp(const fs::path& path, std::size_t size, std::uint16_t colour) {
    std::vector<std::uint8_t> bytes(size, 0);
    const auto pixel = EncodeDevicePixel(colour);
    for (std::size_t i = 8; i + 1 < size; i += 2) {
        bytes[i] = pixel[0];
        bytes[i + 1] = pixel[1];
    }
    WriteBytes(path, bytes);
}

QImage NoImage() { return QPixmap(QStringLiteral(":/NoImage.bmp")).toImage(); }

class ViewersTest : public ::testing::Test {
protected:
    ViewersTest() : player_(prefix_.MapDrive('f', "player")) {
        fs::create_directories(player_ / "GBSYSTEM" / "IMAGE");
        WriteGbp(player_ / "GBWALL.GBP", kWallpaperGbpFileSize, 0x001F);  // blue
    }
    ~ViewersTest() override { DestroyForms(); }

    FilerPage* Filer() const { return Form1->TabSheet2; }
    GbpViewPage* Viewer() const { return Form1->TabSheet3; }

    QStringList Row(int row) const {
        QStringList texts;
        for (int c = 0; c < 8; ++c) texts << Filer()->Cell(row, c);
        return texts;
    }

    test::TempPrefix prefix_;
    test::ScriptedMessageBoxes boxes_;
    fs::path player_;
};

TEST_F(ViewersTest, FilerListsTheFolderShowsTheChosenRowAndHandsTheTagsOver) {
    const fs::path image = player_ / "GBSYSTEM" / "IMAGE";
    WriteGbp(image / "J1.GBP", kJacketGbpFileSize, 0x7C00);  // red
    ASSERT_EQ(::mkfifo((image / "PIPE.GBP").c_str(), 0600), 0);
    const fs::path rock = player_ / "MUSIC" / "ROCK";
    fs::create_directories(rock);
    fs::create_directories(player_ / "MUSIC" / "POP");
    const std::u16string longTitle(55, u'長');
    WriteSat(rock / "A.SAT", longTitle, u"Artist A", 0, u"J1.GBP");
    WriteSat(rock / "B.SAT", u"夕凪", u"歌手", 12, u"MISSING.GBP");
    WriteSat(rock / "C.SAT", u"C", u"", 1, u"..\\..\\GBWALL.GBP");
    WriteSat(rock / "D.SAT", u"D", u"", 2, u"PIPE.GBP");
    WriteSat(rock / ".HIDDEN.SAT", u"H", u"", 3, u"");
    ASSERT_EQ(::mkfifo((rock / "LOCKED.SAT").c_str(), 0600), 0);  // cannot be opened: skipped
    for (const char* name : {"P1.SAT", "P2.SAT", "P3.SAT", "P4.SAT", "P5.SAT"})
        WriteSat(player_ / "MUSIC" / "POP" / name, u"Pop", u"", 0, u"");
    WriteSat(player_ / "ROOT.SAT", u"Root", u"", 0, u"J1.GBP");
    CreateForms(prefix_.drives(), test::NoMounts);

    // At the drive root; then a folder of five files, then one whose fifth file is skipped: its
    // row is empty, not the fifth row of the folder before.
    EXPECT_EQ(Filer()->StringGrid1->rowCount(), 1);
    EXPECT_EQ(Row(0), (QStringList{"1", "ROOT.SAT", "Root", "", "Album", "ロック", "", "J1.GBP"}));
    Filer()->DirectoryListBox2->SetDirectory("F:\\MUSIC\\POP");
    EXPECT_EQ(Filer()->StringGrid1->rowCount(), 5);
    Filer()->DirectoryListBox2->SetDirectory("F:\\MUSIC\\ROCK");
    ASSERT_EQ(Filer()->StringGrid1->rowCount(), 5);
    EXPECT_EQ(Row(0), (QStringList{"1", "A.SAT", QString::fromStdU16String(longTitle.substr(0, 50)),
                                   "Artist A", "Album", "ロック", "", "J1.GBP"}));
    EXPECT_EQ(Row(1),
              (QStringList{"2", "B.SAT", "夕凪", "歌手", "Album", "ロック", "12", "MISSING.GBP"}));
    EXPECT_EQ(Row(4), QStringList(8, QString()));
    EXPECT_EQ(Filer()->StringGrid1->rowHeight(0), 14);
    EXPECT_EQ(Filer()->StringGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Filer()->StringGrid1->selectionBehavior(), QAbstractItemView::SelectRows);

    Filer()->StringGrid1->setCurrentCell(0, 3);
    EXPECT_EQ(Filer()->Edit1->text(), QString::fromStdU16String(longTitle.substr(0, 50)));
    EXPECT_EQ(Filer()->Edit2->text(), "Artist A");
    EXPECT_EQ(Filer()->Edit4->text(), "ロック");
    EXPECT_EQ(Filer()->Edit5->text(), "");
    EXPECT_EQ(Filer()->Edit6->text(), "A.SAT");
    EXPECT_EQ(Filer()->Label18->text(), "1024 Byte");
    EXPECT_NE(Filer()->Label16->text(), "?");
    EXPECT_EQ(Filer()->Image1->pixmap().toImage().pixel(74, 74), qRgb(255, 0, 0));
    test::SaveScreenshot(Form1, "filer-row1");

    // A missing jacket, and a name that would leave GBSYSTEM\IMAGE, show the placeholder.
    for (int row : {1, 2}) {
        Filer()->StringGrid1->setCurrentCell(row, 0);
        EXPECT_EQ(Filer()->Image1->pixmap().toImage(), NoImage()) << row;
    }
    EXPECT_EQ(Filer()->Edit5->text(), "1");

    // A jacket that cannot be opened: the default error box, naming it as the lists would, and
    // the preview keeps its picture.
    Filer()->StringGrid1->setCurrentCell(0, 0);
    Filer()->StringGrid1->setCurrentCell(3, 0);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::DefaultError);
    EXPECT_TRUE(boxes_.shown[0].text.contains("\"F:\\GBSYSTEM\\IMAGE\\PIPE.GBP\""))
        << boxes_.shown[0].text.toStdString();
    EXPECT_EQ(Filer()->Edit6->text(), "D.SAT");
    EXPECT_EQ(Filer()->Image1->pixmap().toImage().pixel(0, 0), qRgb(255, 0, 0));

    // The panel's texts, typed over or not, go to the rewrite settings dialog.
    Filer()->Edit3->setText(QStringLiteral("打ち直し"));
    Filer()->BitBtn4->click();
    EXPECT_EQ(Form3->Edit2->text(), "");
    EXPECT_EQ(Form3->Edit3->text(), "打ち直し");
    EXPECT_EQ(Form3->Edit4->text(), "ロック");
    EXPECT_FALSE(Form3->isVisible());

    // A folder without SAT files empties the table; its rows then change nothing.
    Filer()->DirectoryListBox2->SetDirectory("F:\\GBSYSTEM");
    EXPECT_EQ(Filer()->StringGrid1->rowCount(), 1);
    EXPECT_EQ(Row(0), QStringList(8, QString()));
    Filer()->StringGrid1->setCurrentCell(0, 0);
    EXPECT_EQ(Filer()->Edit6->text(), "D.SAT");
    EXPECT_EQ(boxes_.shown.size(), 1u);
}

TEST_F(ViewersTest, GbpViewShowsTheLastSelectedFileAndDeletesAfterAskingOnce) {
    const fs::path image = player_ / "GBSYSTEM" / "IMAGE";
    WriteGbp(image / "E18000.GBP", 18000, 0x03E0);  // green
    WriteGbp(image / "E18001.GBP", 18001, 0x7FFF);  // white, then read past its end
    WriteGbp(image / "J1.GBP", kJacketGbpFileSize, 0x7C00);
    WriteGbp(image / "lower.gbp", kJacketGbpFileSize, 0);
    WriteGbp(image / ".HIDDEN.GBP", kJacketGbpFileSize, 0);
    ASSERT_EQ(::mkfifo((image / "PIPE.GBP").c_str(), 0600), 0);
    CreateForms(prefix_.drives(), test::NoMounts);
    Form1->PageControl1->setCurrentIndex(2);
    FileListBox* list = Viewer()->FileListBox3;
    ASSERT_EQ(list->Names(), (std::vector<std::string>{"E18000.GBP", "E18001.GBP", "J1.GBP",
                                                       "lower.gbp", "PIPE.GBP"}));
    const auto select = [list](std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows) list->item(row)->setSelected(true);
    };
    const auto values = [this] {
        return QStringList{Viewer()->Label8->text(), Viewer()->Label10->text(),
                           Viewer()->Label14->text()};
    };

    select({0});
    EXPECT_EQ(values(), (QStringList{"E18000.GBP", "Jacket GBP File", "18000 Byte"}));
    EXPECT_EQ(Viewer()->Image2->size(), QSize(75, 75));
    EXPECT_EQ(Viewer()->Image2->pixmap().toImage().pixel(74, 74), qRgb(0, 255, 0));
    select({0, 2, 1});
    EXPECT_EQ(values(), (QStringList{"J1.GBP", "Jacket GBP File", "11266 Byte"}));
    select({1});
    EXPECT_EQ(values(), (QStringList{"E18001.GBP", "Wallpaper GBP File", "18001 Byte"}));
    EXPECT_EQ(Viewer()->Image2->size(), QSize(240, 320));
    EXPECT_EQ(Viewer()->Bevel3->size(), QSize(244, 324));
    EXPECT_EQ(Viewer()->Image2->pixmap().toImage().pixel(0, 0), qRgb(255, 255, 255));
    // A jacket after a wallpaper: the area stays large, the picture sits at its top left.
    select({2});
    EXPECT_EQ(Viewer()->Image2->size(), QSize(240, 320));
    EXPECT_EQ(Viewer()->Bevel3->geometry(), QRect(16, 8, 244, 324));
    EXPECT_EQ(Viewer()->Image2->pixmap().size(), QSize(75, 75));
    // Nothing selected, and a file that cannot be read: the values stay; the box names the file
    // as the list shows it.
    list->clearSelection();
    select({4});
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::DefaultError);
    EXPECT_TRUE(boxes_.shown[0].text.contains("\"F:\\GBSYSTEM\\IMAGE\\PIPE.GBP\""))
        << boxes_.shown[0].text.toStdString();
    EXPECT_EQ(values(), (QStringList{"J1.GBP", "Jacket GBP File", "11266 Byte"}));

    // Delete answered with No; other keys do nothing; Shift+Delete answered with Yes.
    select({3});
    Viewer()->MenuItem10->trigger();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_EQ(boxes_.shown[1].kind, MessageKind::Confirmation);
    EXPECT_EQ(boxes_.shown[1].text, "選択したファイルを削除します。\rよろしいですか？");
    EXPECT_TRUE(fs::exists(image / "lower.gbp"));
    EXPECT_TRUE(list->IsSelected(3));
    QTest::keyClick(list, Qt::Key_A);
    EXPECT_EQ(boxes_.shown.size(), 2u);
    boxes_.answers.push_back(true);
    select({2, 3});
    QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(boxes_.shown.size(), 3u);
    EXPECT_FALSE(fs::exists(image / "lower.gbp"));
    EXPECT_FALSE(fs::exists(image / "J1.GBP"));
    EXPECT_EQ(list->Names(), (std::vector<std::string>{"E18000.GBP", "E18001.GBP", "PIPE.GBP"}));
    EXPECT_EQ(list->selectedItems().size(), 0);
    EXPECT_EQ(values(), (QStringList{"lower.gbp", "Jacket GBP File", "11266 Byte"}));

    // A delete that fails is named in one error box after the list is read again.
    select({0, 1});
    fs::remove(image / "E18000.GBP");  // gone behind the list's back
    boxes_.answers.push_back(true);
    Viewer()->MenuItem10->trigger();
    ASSERT_EQ(boxes_.shown.size(), 5u);
    EXPECT_EQ(boxes_.shown[4].kind, MessageKind::Error);
    EXPECT_TRUE(boxes_.shown[4].text.contains("E18000.GBP")) << boxes_.shown[4].text.toStdString();
    EXPECT_FALSE(boxes_.shown[4].text.contains("E18001.GBP"));
    EXPECT_EQ(list->Names(), std::vector<std::string>{"PIPE.GBP"});

    // The wallpaper at the drive root, its path joined with a doubled separator.
    Viewer()->DirectoryListBox3->SetDirectory("F:\\");
    select({0});
    EXPECT_EQ(values(), (QStringList{"GBWALL.GBP", "Wallpaper GBP File", "153608 Byte"}));
    EXPECT_EQ(Viewer()->Image2->pixmap().toImage().pixel(239, 319), qRgb(0, 0, 255));
}

// The demo player as a user sees it: Japanese tags in the table, a jacket in the preview, the
// wallpaper at full size.
TEST(ViewersDemoTest, BothPagesOnTheDemoPlayer) {
    test::TempPrefix prefix;
    const std::string script = std::string(CORVINA_SOURCE_DIR) + "/scripts/make-demo-player.sh";
    const std::string command = "'" + script + "' '" + prefix.drives().prefix().string() + "' '" +
                                CORVINA_CLI_PATH + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const DriveMap drives(prefix.drives().prefix());
    test::ScriptedMessageBoxes boxes;
    CreateForms(drives, test::NoMounts);

    Form1->PageControl1->setCurrentIndex(1);
    Form1->TabSheet2->DirectoryListBox2->SetDirectory("F:\\MUSIC\\JPOP");
    ASSERT_EQ(Form1->TabSheet2->StringGrid1->rowCount(), 3);
    Form1->TabSheet2->StringGrid1->setCurrentCell(0, 0);
    EXPECT_NE(Form1->TabSheet2->Image1->pixmap().toImage(), NoImage());
    test::SaveScreenshot(Form1, "filer");

    Form1->PageControl1->setCurrentIndex(2);
    Form1->TabSheet3->DirectoryListBox3->SetDirectory("F:\\");
    FileListBox* list = Form1->TabSheet3->FileListBox3;
    ASSERT_EQ(list->Names(), std::vector<std::string>{"GBWALL.GBP"});
    list->item(0)->setSelected(true);
    EXPECT_EQ(Form1->TabSheet3->Image2->pixmap().size(), QSize(240, 320));
    test::SaveScreenshot(Form1, "gbp-wallpaper");
    Form1->TabSheet3->DirectoryListBox3->SetDirectory("F:\\GBSYSTEM\\IMAGE");
    list->item(1)->setSelected(true);
    EXPECT_EQ(Form1->TabSheet3->Label10->text(), "Jacket GBP File");
    test::SaveScreenshot(Form1, "gbp-jacket-after-wallpaper");
    EXPECT_TRUE(boxes.shown.empty());
    DestroyForms();
}

}  // namespace
}  // namespace corvina
