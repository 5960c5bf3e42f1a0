#include "gui/app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>

#include "core/session/startup.h"
#include "gui/app/about_window.h"
#include "gui/app/settings_window.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/rewrite/progress_window.h"
#include "gui/rewrite/rewrite_settings_window.h"
#include "gui/wallpaper/wallpaper_window.h"
#include "gui/window_test_support.h"

namespace corvina {
namespace {

using test::MakePlayer;
using test::SaveScreenshot;
using test::WhenModal;

// Takes the URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

class MainWindowTest : public ::testing::Test {
protected:
    ~MainWindowTest() override { DestroyForms(); }

    void Start() { CreateForms(prefix_.drives(), test::NoMounts); }

    QStringList HeaderTexts() const {
        QStringList texts;
        for (int c = 0; c < Form1->TabSheet2->StringGrid1->columnCount(); ++c) {
            texts << Form1->TabSheet2->StringGrid1->horizontalHeaderItem(c)->text();
        }
        return texts;
    }

    test::TempPrefix prefix_;
    test::ScriptedMessageBoxes boxes_;
};

TEST_F(MainWindowTest, StartsOnThePlayerWithAllThreePagesBrowsingIt) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();

    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(Form1->windowTitle(), "Corvina version 1.0");
    EXPECT_EQ(QApplication::applicationName(), "Corvina  version 1.0");
    EXPECT_EQ(Form1->centralWidget()->size(), QSize(678, 633));
    EXPECT_TRUE(Form1->isVisible());
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    // Centred before its first showing, when the window frame's size is not yet known.
    EXPECT_LE((Form1->frameGeometry().center() - screenCentre).manhattanLength(), 8);
    EXPECT_EQ(Form1->PageControl1->currentIndex(), 0);
    EXPECT_EQ(Form1->PageControl1->geometry(), QRect(0, 0, 673, 609));
    EXPECT_EQ(Form1->StatusBar1->geometry(), QRect(0, 614, 678, 19));
    EXPECT_EQ(Form1->StatusBar1->currentMessage(), "");
    EXPECT_EQ(Form1->PageControl1->tabText(0), "SAT Batch Rewrite Mode");
    EXPECT_EQ(Form1->PageControl1->tabText(1), "Filer Mode");
    EXPECT_EQ(Form1->PageControl1->tabText(2), "GBP View Mode");

    EXPECT_EQ(Form1->Session.RoomPath, "");
    EXPECT_EQ(Form1->Session.DeviceDrive, "f");
    for (DriveComboBox* box : {Form1->TabSheet1->DriveComboBox1, Form1->TabSheet2->DriveComboBox2,
                               Form1->TabSheet3->DriveComboBox3}) {
        EXPECT_EQ(box->Drive(), 'f') << box->objectName().toStdString();
        EXPECT_EQ(box->currentText(), "f: [player]");
    }
    EXPECT_EQ(Form1->TabSheet1->DirectoryListBox1->Directory(), "F:\\");
    EXPECT_EQ(Form1->TabSheet1->FileListBox1->Directory(), "F:\\");
    EXPECT_EQ(Form1->TabSheet1->FileListBox1->Names(),
              (std::vector<std::string>{"song1.sat", "SONG2.SAT"}));
    EXPECT_EQ(Form1->TabSheet2->DirectoryListBox2->Directory(), "F:\\");
    EXPECT_EQ(Form1->TabSheet2->FileListBox2->Names(),
              (std::vector<std::string>{"song1.sat", "SONG2.SAT"}));
    EXPECT_EQ(Form1->TabSheet3->DirectoryListBox3->Directory(), "F:\\GBSYSTEM\\IMAGE");
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Directory(), "F:\\GBSYSTEM\\IMAGE");
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Names(),
              (std::vector<std::string>{"A.GBP", "B.GBP"}));

    EXPECT_EQ(HeaderTexts(), (QStringList{"No", "FileName", "Title", "Artist", "Album", "Genre",
                                          "Track", "GBP FileName"}));
    QList<int> widths;
    for (int c = 0; c < Form1->TabSheet2->StringGrid1->columnCount(); ++c) {
        widths << Form1->TabSheet2->StringGrid1->columnWidth(c);
    }
    EXPECT_EQ(widths, (QList<int>{31, 135, 133, 110, 128, 61, 38, 138}));
    EXPECT_EQ(Form1->TabSheet2->Image1->pixmap().size(), QSize(75, 75));
    EXPECT_EQ(Form1->TabSheet3->Image2->pixmap().size(), QSize(75, 75));

    // The other windows exist, hidden, with their captions and client sizes.
    ASSERT_NE(Form2, nullptr);
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_EQ(Form2->windowTitle(), "Corvina 設定");
    EXPECT_EQ(Form3->windowTitle(), "書き換え設定");
    EXPECT_EQ(Form3->size(), QSize(404, 464));
    EXPECT_EQ(Form4->windowTitle(), "Wallpaper Transporter");
    EXPECT_EQ(Form4->size(), QSize(413, 452));
    EXPECT_EQ(Form5->windowTitle(), "ファイルを書き換えています。");
    EXPECT_EQ(Form5->size(), QSize(514, 153));

    SaveScreenshot(Form1, "Form1-page0");
    Form1->FilerModeF1->trigger();
    SaveScreenshot(Form1, "Form1-page1");
    Form1->GBPViewModeG1->trigger();
    SaveScreenshot(Form1, "Form1-page2");
}

TEST_F(MainWindowTest, APlayerPluggedInBeforeTheStartIsMappedAndEveryPageShowsIt) {
    // No F: in the drive map; the desktop has mounted the player, as its mount table says.
    const std::filesystem::path mount = prefix_.folder() / "media" / "GIGABEAT";
    MakePlayer(mount);
    const std::string table =
        "40 27 8:17 / " + mount.string() + " rw,relatime shared:5 - vfat /dev/sdb1 rw\n";
    int reads = 0;
    CreateForms(prefix_.drives(), [&] {
        ++reads;
        return table;
    });

    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(boxes_.shown.empty());
    for (DriveComboBox* box : {Form1->TabSheet1->DriveComboBox1, Form1->TabSheet2->DriveComboBox2,
                               Form1->TabSheet3->DriveComboBox3}) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_EQ(box->Drive(), 'f');
        EXPECT_EQ(box->currentText(), "f: [GIGABEAT]");
        QStringList entries;
        for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
        EXPECT_EQ(entries, (QStringList{"c: [drive_c]", "f: [GIGABEAT]"}));
    }
    EXPECT_EQ(Form1->TabSheet1->DirectoryListBox1->Directory(), "F:\\");
    EXPECT_EQ(Form1->TabSheet1->FileListBox1->Names(),
              (std::vector<std::string>{"song1.sat", "SONG2.SAT"}));
    EXPECT_EQ(Form1->TabSheet2->DirectoryListBox2->Directory(), "F:\\");
    QTableWidget* table2 = Form1->TabSheet2->StringGrid1;
    ASSERT_EQ(table2->rowCount(), 2);
    ASSERT_NE(table2->item(1, 1), nullptr);
    EXPECT_EQ(table2->item(1, 1)->text(), "SONG2.SAT");
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Directory(), "F:\\GBSYSTEM\\IMAGE");
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Names(),
              (std::vector<std::string>{"A.GBP", "B.GBP"}));
    EXPECT_EQ(HeaderTexts().front(), "No");
    SaveScreenshot(Form1, "Form1-page0");
    Form1->FilerModeF1->trigger();
    SaveScreenshot(Form1, "Form1-page1");
    Form1->GBPViewModeG1->trigger();
    SaveScreenshot(Form1, "Form1-page2");
}

TEST_F(MainWindowTest, PlayerAbsentShowsTheErrorBoxBeforeTheMainWindow) {
    Start();

    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(boxes_.shown[0].text, QString::fromUtf8(kDeviceAbsentMessage));
    EXPECT_FALSE(boxes_.shown[0].parentVisible);

    // Start-up goes on: the browsers stay in the program's folder on drive C, the table header
    // and the pictures are set, the main window opens on page 0.
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_EQ(Form1->PageControl1->currentIndex(), 0);
    for (DriveComboBox* box : {Form1->TabSheet1->DriveComboBox1, Form1->TabSheet2->DriveComboBox2,
                               Form1->TabSheet3->DriveComboBox3}) {
        EXPECT_EQ(box->Drive(), 'c');
    }
    EXPECT_EQ(Form1->TabSheet3->DirectoryListBox3->Directory(), "C:\\Corvina");
    EXPECT_EQ(HeaderTexts().front(), "No");
    EXPECT_FALSE(Form1->TabSheet2->Image1->pixmap().isNull());
    EXPECT_FALSE(Form1->TabSheet3->Image2->pixmap().isNull());
    SaveScreenshot(Form1, "Form1");
}

TEST_F(MainWindowTest, EmptyDriveSettingCountsAsAbsent) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    test::WriteText(prefix_.SettingsFile(), "[Fundamental setting]\r\nDrive=\r\n");
    Start();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, QString::fromUtf8(kDeviceAbsentMessage));
    EXPECT_EQ(Form1->Session.DeviceDrive, "");
}

TEST_F(MainWindowTest, UpperCaseDriveSettingFindsThePlayer) {
    MakePlayer(prefix_.MapDrive('g', "player"));
    test::WriteText(prefix_.SettingsFile(),
                    "[Fundamental setting]\r\nRoom=C:\\GB\\GBRoom.exe\r\nDrive=G:\\music\r\n");
    Start();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(Form1->Session.DeviceDrive, "G:\\music");
    EXPECT_EQ(Form1->Session.RoomPath, "C:\\GB\\GBRoom.exe");
    for (DriveComboBox* box : {Form1->TabSheet1->DriveComboBox1, Form1->TabSheet2->DriveComboBox2,
                               Form1->TabSheet3->DriveComboBox3}) {
        EXPECT_EQ(box->Drive(), 'g');
    }
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Directory(), "G:\\GBSYSTEM\\IMAGE");
}

TEST_F(MainWindowTest, MissingImageFolderEndsCreationWithTheDefaultErrorBox) {
    MakePlayer(prefix_.MapDrive('f', "player"), /*withImageFolder=*/false);
    Start();

    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::DefaultError);
    EXPECT_TRUE(boxes_.shown[0].text.contains("F:\\GBSYSTEM\\IMAGE"))
        << boxes_.shown[0].text.toStdString();

    // The drive boxes moved, the GBP page stayed at the drive root, and the header row and the
    // pictures stay empty.
    EXPECT_EQ(Form1->TabSheet3->DriveComboBox3->Drive(), 'f');
    EXPECT_EQ(Form1->TabSheet3->DirectoryListBox3->Directory(), "F:\\");
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Directory(), "F:\\");
    EXPECT_EQ(HeaderTexts(), QStringList(8, QString()));
    EXPECT_TRUE(Form1->TabSheet2->Image1->pixmap().isNull());
    EXPECT_TRUE(Form1->TabSheet3->Image2->pixmap().isNull());

    // The other windows are made and work.
    ASSERT_NE(Form2, nullptr);
    ASSERT_NE(Form5, nullptr);
    EXPECT_EQ(Form2->DriveComboBox1->Drive(), 'f');
    Form1->FilerModeF1->trigger();
    SaveScreenshot(Form1, "Form1-page1");
    Form1->GBPViewModeG1->trigger();
    SaveScreenshot(Form1, "Form1-page2");
}

TEST_F(MainWindowTest, RealErrorBoxForAnAbsentPlayerComesBeforeTheMainWindow) {
    MessageBoxService* scripted = SetMessageBoxService(nullptr);
    bool seen = false;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), "エラー");
        EXPECT_EQ(box->text(),
                  "設定されているドライブの接続先はgigabeatFではありません。\n"
                  "設定を見直して下さい。");
        ASSERT_NE(box->parentWidget(), nullptr);
        EXPECT_FALSE(box->parentWidget()->isVisible());
        SaveScreenshot(box, "ErrorBox");
        box->findChild<QPushButton*>("OKButton")->click();
    });
    Start();
    SetMessageBoxService(scripted);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(Form1->isVisible());
}

TEST_F(MainWindowTest, MenusHoldEveryItemWithItsCaption) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    const auto captions = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions()) {
            list << action->objectName() + "=" + (action->isSeparator() ? "-" : action->text());
        }
        return list;
    };
    QStringList menus;
    for (QAction* action : Form1->MainMenu1->actions()) menus << action->text();
    EXPECT_EQ(menus, (QStringList{"Mode(&M)", "Execute(&E)", "Option(&O)", "Help(&H)"}));
    EXPECT_EQ(captions(Form1->X1),
              (QStringList{"SATRewriteModeR1=SAT Batch Rewrite Mode(&R)",
                           "FilerModeF1=Filer Mode(&F)", "GBPViewModeG1=GBP View Mode(&G)",
                           "W1=Wallpaper Transporter(&W)", "N1=-", "X2=Exit(&X)"}));
    EXPECT_EQ(captions(Form1->ExecuteE1), (QStringList{"LibraryUpdateL1=Library Update(&L)",
                                                       "UndoU1=直前の書き換えを元に戻す(&U)"}));
    EXPECT_EQ(captions(Form1->O1), (QStringList{"S1=Setting(&S)"}));
    EXPECT_EQ(captions(Form1->H1),
              (QStringList{"V1=Infomation(&V)", "N3=-", "H2=Author's Homepage(&H)"}));
    EXPECT_EQ(
        captions(Form1->TabSheet1->PopupMenu3),
        (QStringList{"MenuItem1=選択中のアイテムを送る(&M)", "MenuItem2=-",
                     "MenuItem3=全てを選択する(&A)", "MenuItem4=全てを対象リストに送る(&S)"}));
    EXPECT_EQ(captions(Form1->TabSheet1->PopupMenu4),
              (QStringList{"MenuItem5=選択中のアイテムを消去する(&D)",
                           "MenuItem6=全てのアイテムを消去する(&A)"}));
    EXPECT_EQ(captions(Form1->TabSheet3->PopupMenu5),
              (QStringList{"MenuItem10=選択したファイルの削除(&D)"}));
}

TEST_F(MainWindowTest, ModeItemsOnlySwitchThePage) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    const std::string folder = Form1->TabSheet2->DirectoryListBox2->Directory();
    Form1->GBPViewModeG1->trigger();
    EXPECT_EQ(Form1->PageControl1->currentWidget(), Form1->TabSheet3);
    Form1->FilerModeF1->trigger();
    EXPECT_EQ(Form1->PageControl1->currentWidget(), Form1->TabSheet2);
    Form1->FilerModeF1->trigger();
    EXPECT_EQ(Form1->PageControl1->currentWidget(), Form1->TabSheet2);
    EXPECT_EQ(Form1->TabSheet2->DirectoryListBox2->Directory(), folder);
    Form1->SATRewriteModeR1->trigger();
    EXPECT_EQ(Form1->PageControl1->currentIndex(), 0);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(MainWindowTest, InformationShowsTheAboutBoxEachTime) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    for (int round = 0; round < 2; ++round) {
        bool seen = false;
        WhenModal([&](QWidget* modal) {
            auto* about = qobject_cast<TAboutBox1*>(modal);
            ASSERT_NE(about, nullptr);
            seen = true;
            EXPECT_EQ(about->windowTitle(), "バージョン情報");
            EXPECT_EQ(about->size(), QSize(358, 199));
            EXPECT_EQ(about->ProductName->text(), "Corvina  version 1.0");
            EXPECT_EQ(about->Comments->text(), "Enjoy Your Music Life with gigabeat F!!");
            EXPECT_EQ(about->ProgramIcon->pixmap().size(), QSize(64, 64));
            EXPECT_EQ(about->Panel1->geometry(), QRect(7, 7, 346, 138));
            EXPECT_EQ(about->ProgramIcon->geometry(), QRect(15, 15, 64, 64));
            EXPECT_EQ(about->ProductName->pos(), QPoint(89, 15));
            EXPECT_EQ(about->ProductName->font().pixelSize(), 21);
            EXPECT_TRUE(about->ProductName->font().bold());
            EXPECT_EQ(about->Version->pos(), QPoint(89, 61));
            EXPECT_EQ(about->Comments->geometry().topLeft(), QPoint(15, 103));
            EXPECT_EQ(about->Comments->width(), 299);
            EXPECT_EQ(about->Comments->palette().color(QPalette::WindowText), QColor(0, 128, 128));
            EXPECT_EQ(about->OKButton->geometry(), QRect(142, 165, 69, 23));
            EXPECT_TRUE(about->OKButton->isDefault());
            EXPECT_EQ(about->parentWidget(), Form1);
            if (round == 0) SaveScreenshot(about, "AboutBox1");
            about->OKButton->click();
        });
        Form1->V1->trigger();
        EXPECT_TRUE(seen);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(MainWindowTest, SettingAndWallpaperOpenTheirWindowsCentredOnTheMainWindow) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    Form1->move(40, 30);
    for (QAction* item : {Form1->S1, Form1->W1}) {
        QWidget* opened = nullptr;
        WhenModal([&](QWidget* modal) {
            opened = modal;
            EXPECT_LE(
                std::abs(modal->frameGeometry().center().x() - Form1->frameGeometry().center().x()),
                1);
            EXPECT_LE(
                std::abs(modal->frameGeometry().center().y() - Form1->frameGeometry().center().y()),
                1);
            if (auto* settings = qobject_cast<TForm2*>(modal)) {
                settings->Button3->click();
            } else {
                static_cast<QDialog*>(modal)->done(0);
            }
        });
        item->trigger();
        EXPECT_EQ(opened, item == Form1->S1 ? static_cast<QWidget*>(Form2) : Form4);
    }
}

TEST_F(MainWindowTest, AuthorsHomepageOpensTheProjectPage) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "Open");
    Form1->H2->trigger();
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl(kHomePageUrl)});
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(MainWindowTest, ExitClosesTheMainWindow) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    Form1->X2->trigger();
    EXPECT_FALSE(Form1->isVisible());
}

TEST_F(MainWindowTest, PagesFollowTheWindowWhenItIsResized) {
    MakePlayer(prefix_.MapDrive('f', "player"));
    Start();
    Form1->resize(Form1->width() + 100, Form1->height() + 50);
    EXPECT_EQ(Form1->PageControl1->geometry(), QRect(0, 0, 773, 659));
    EXPECT_EQ(Form1->StatusBar1->geometry(), QRect(0, 664, 778, 19));
    const int pageGrowth = Form1->TabSheet1->width() - 665;
    EXPECT_EQ(Form1->TabSheet1->BitBtn3->x(), 540 + pageGrowth);
    EXPECT_EQ(Form1->TabSheet1->FileListBox1->width(), 440 + pageGrowth);
    EXPECT_EQ(Form1->TabSheet1->DirectoryListBox1->geometry(), QRect(8, 8, 201, 201));
}

}  // namespace
}  // namespace corvina

#include "main_window_test.moc"
