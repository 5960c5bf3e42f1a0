// The batch rewrite in the windows: the target list on the first page, the rewrite settings
// dialog and the progress window, wired to the run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "core/formats/gbp.h"
#include "core/formats/sat_tags.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/picture_import.h"
#include "gui/app/main_window.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/picture_label.h"
#include "gui/rewrite/progress_window.h"
#include "gui/rewrite/rewrite_settings_window.h"
#include "gui/window_test_support.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::SaveScreenshot;
using test::WhenModal;

const fs::path kPicture = fs::path(CORVINA_SOURCE_DIR) / "resources" / "NoImage.bmp";

Bytes Pattern(int salt) {
    Bytes bytes(2048);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 13 + static_cast<std::size_t>(salt)) % 251 + 1);
    return bytes;
}

// A text field of the tag block as written: UTF-16LE units, then zeros to its 124 bytes.
void PutText(Bytes& file, std::size_t offset, const std::u16string& text) {
    for (std::size_t i = 0; i < 124; ++i) file[offset + i] = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        file[offset + 2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        file[offset + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
}

QStringList Entries(QListWidget* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    return entries;
}

// The boxes, each noting whether a progress window was still on screen when it came.
class BoxesAfterProgress : public test::ScriptedMessageBoxes {
public:
    bool Show(QWidget* parent, MessageKind kind, const QString& text) override {
        progressShown.push_back(Form5->isVisible() || Form1->UndoProgressForm->isVisible());
        return ScriptedMessageBoxes::Show(parent, kind, text);
    }
    std::vector<bool> progressShown;
};

// What a 50 ms timer found when it fired during a run, and what became of the input it tried.
struct Probe {
    bool fired = false;
    QString text;  // the progress window's file text then
    bool modal = false;
    bool menusEnabled = true;
    bool pageEnabled = true;
    bool menuOpened = false;
    int entries = -1;  // the target list after a Delete key and "All Erase"
};

class BatchRewriteTest : public ::testing::Test {
protected:
    BatchRewriteTest() {
        player_ = prefix_.MapDrive('f', "player");
        fs::create_directories(player_ / "GBSYSTEM" / "IMAGE");
        fs::create_directories(player_ / "MUSIC");
        test::WriteBytes(player_ / "ROOT.SAT", Pattern(1));
        test::WriteBytes(player_ / "MUSIC" / "B.SAT", Pattern(2));
        test::WriteBytes(player_ / "MUSIC" / "A.SAT", Pattern(3));
        CreateForms(prefix_.drives(), test::NoMounts);
        page_ = Form1->TabSheet1;
    }
    ~BatchRewriteTest() override { DestroyForms(); }

    void Browse(const char* folder) { page_->DirectoryListBox1->SetDirectory(folder); }

    // Holds the run up once, at the first move of the bar of `form` while its text ends with
    // `doing`, for longer than a 50 ms timer started there: the timer fires only if the run lets
    // events through before it ends. The timer then tries what a user might do meanwhile.
    void ProbeDuring(TForm5* form, const QString& doing, Probe& probe, const char* screenshot) {
        auto armed = std::make_shared<bool>(false);
        QObject::connect(
            form->ProgressBar1, &QProgressBar::valueChanged, &probes_, [=, this, &probe] {
                if (*armed || !form->Label2->text().endsWith(doing)) return;
                *armed = true;
                QTimer::singleShot(50, &probes_, [=, this, &probe] {
                    probe.fired = true;
                    probe.text = form->Label2->text();
                    probe.modal = QApplication::activeModalWidget() == form;
                    probe.menusEnabled = Form1->MainMenu1->isEnabled();
                    probe.pageEnabled = page_->isEnabled();
                    SaveScreenshot(form, screenshot);
                    SaveScreenshot(Form1, (std::string(screenshot) + "-main-window").c_str());
                    SaveScreenshot(nullptr, (std::string(screenshot) + "-screen").c_str());
                    page_->ListBox1->setCurrentRow(0);
                    QTest::keyClick(page_->ListBox1, Qt::Key_Delete);
                    QTest::mouseClick(page_->BitBtn2, Qt::LeftButton);
                    const QRect menu = Form1->MainMenu1->actionGeometry(Form1->X1->menuAction());
                    QTest::mouseClick(Form1->MainMenu1, Qt::LeftButton, {}, menu.center());
                    probe.menuOpened = Form1->X1->isVisible();
                    Form1->X1->close();
                    probe.entries = page_->ListBox1->count();
                });
                QThread::msleep(60);
            });
    }

    // The three files of the player in the target list: A, B, then ROOT.
    QStringList SendAllThree() {
        Browse("F:\\MUSIC");
        page_->BitBtn1->click();
        Browse("F:\\");
        page_->BitBtn1->click();
        return Entries(page_->ListBox1);
    }

    test::TempPrefix prefix_;
    BoxesAfterProgress boxes_;
    test::ScriptedOpenDialogs dialogs_;
    fs::path player_;
    RewritePage* page_ = nullptr;
    QObject probes_;  // the probes' connections end with the test
};

TEST_F(BatchRewriteTest, FilesFromTwoFoldersGetTagsNumbersAndOneNewJacket) {
    Browse("F:\\");
    ASSERT_EQ(page_->FileListBox1->Names(), (std::vector<std::string>{"ROOT.SAT"}));
    page_->FileListBox1->item(0)->setSelected(true);
    QTest::mouseClick(page_->SpeedButton1, Qt::LeftButton);
    Browse("F:\\MUSIC");
    QTest::mouseClick(page_->BitBtn1, Qt::LeftButton);
    const QStringList targets = {"F:\\ROOT.SAT", "F:\\MUSIC\\A.SAT", "F:\\MUSIC\\B.SAT"};
    ASSERT_EQ(Entries(page_->ListBox1), targets);

    dialogs_.answers.push_back(QString::fromStdString(kPicture.string()));
    WhenModal([](QWidget* modal) {
        ASSERT_EQ(modal, Form3);
        QTest::mouseClick(Form3->CheckBox1, Qt::LeftButton);
        EXPECT_TRUE(Form3->GroupBox1->isEnabled());
        Form3->Edit2->setText(QStringLiteral("星野ひかり"));
        Form3->Edit3->setText(QStringLiteral("春の午後"));
        Form3->Edit4->setText(QStringLiteral("J-POP"));
        QTest::mouseClick(Form3->CheckBox3, Qt::LeftButton);
        QTest::mouseClick(Form3->Button3, Qt::LeftButton);
        SaveScreenshot(Form3, "dialog");
        QTest::mouseClick(Form3->Button1, Qt::LeftButton);
    });
    // What the progress window shows while the files are read, then rewritten.
    struct Seen {
        QString text;
        int position;
        bool visible;
    };
    std::vector<Seen> seen;
    QObject::connect(Form5->ProgressBar1, &QProgressBar::valueChanged, Form5, [&](int value) {
        seen.push_back({Form5->Label2->text(), value, Form5->isVisible()});
        if (value == 67)
            SaveScreenshot(Form5, seen.size() < 4 ? "progress-reading" : "progress-rewriting");
    });
    Form1->StatusBar1->showMessage(QStringLiteral("something"));
    QTest::mouseClick(page_->BitBtn3, Qt::LeftButton);

    ASSERT_EQ(boxes_.shown.size(), 1u);
    const QString summary = boxes_.shown[0].text;
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Plain);
    ASSERT_TRUE(summary.startsWith(
        QStringLiteral("3個のファイルに適用しますた。\r変換ジャケット画像ファイル名  ")));
    const std::string jacket = summary.section(QStringLiteral("  "), 1).toStdString();
    ASSERT_EQ(jacket.size(), 20u);

    ASSERT_EQ(seen.size(), 8u);
    const int positions[] = {33, 67, 100, 0, 33, 67, 100, 0};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        const QString file = targets[static_cast<int>(i < 3 ? i : i < 4 ? 2 : i < 7 ? i - 4 : 2)];
        EXPECT_EQ(seen[i].text, file + (i < 4 ? QStringLiteral(" を読み込んでいます。")
                                              : QStringLiteral(" を書き換えています。")));
        EXPECT_EQ(seen[i].position, positions[i]);  // 0 as the rewriting starts and at the end
        EXPECT_TRUE(seen[i].visible);
    }
    EXPECT_FALSE(Form5->isVisible());
    EXPECT_TRUE(Form1->StatusBar1->currentMessage().isEmpty());

    // The jacket file, and every byte of the three files.
    const Picture15 picture = ImportPicture(kPicture, 75, 75);
    EXPECT_EQ(ReadBytes(player_ / "GBSYSTEM" / "IMAGE" / jacket), WriteJacketGbp(picture));
    const std::u16string name16(jacket.begin(), jacket.end());
    const std::vector<std::pair<fs::path, int>> files = {{player_ / "ROOT.SAT", 1},
                                                         {player_ / "MUSIC" / "A.SAT", 3},
                                                         {player_ / "MUSIC" / "B.SAT", 2}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        Bytes expected = Pattern(files[i].second);
        PutText(expected, 256, u"星野ひかり");
        PutText(expected, 384, u"春の午後");
        PutText(expected, 698, u"J-POP");
        expected[512] = static_cast<std::uint8_t>(i + 1);
        for (std::size_t k = 513; k < 524; ++k) expected[k] = 0;
        for (std::size_t k = 0; k < 43; ++k) expected[528 + k] = 0;
        for (std::size_t k = 0; k < name16.size(); ++k) expected[528 + 2 * k] = name16[k] & 0xFF;
        EXPECT_EQ(ReadBytes(files[i].first), expected) << files[i].first;
    }
}

TEST_F(BatchRewriteTest, DialogChecksKeepItOpenAndChoicesCarryOver) {
    // Both ticks off: the first message; jacket ticked but never loaded: the second.
    Form3->CheckBox2->click();
    EXPECT_FALSE(Form3->GroupBox2->isEnabled());
    Form3->Button1->click();
    Form3->CheckBox2->click();
    Form3->Button1->click();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_EQ(boxes_.shown[0].text,
              QStringLiteral("書き換え設定がおかしいです。\rチェックボックスを見直してください。"));
    EXPECT_EQ(boxes_.shown[1].text,
              QStringLiteral("ジャケット画像がインポートされていません。\r設定してください。"));
    EXPECT_EQ(boxes_.shown[1].kind, MessageKind::Error);

    // A picture that cannot be read: the default error box; the name is kept, the picture not.
    const fs::path bad = prefix_.folder() / "photo.Jpg";
    test::WriteBytes(bad, {0xFF, 0xD8, 0xFF, 0xE0});
    dialogs_.answers.push_back(QString::fromStdString(bad.string()));
    Form3->Button3->click();
    ASSERT_EQ(boxes_.shown.size(), 3u);
    EXPECT_EQ(boxes_.shown[2].kind, MessageKind::DefaultError);
    EXPECT_FALSE(Form3->JacketPreview.has_value());
    EXPECT_EQ(Form3->OpenPictureDialog1.fileName.toStdString(), bad.string());
    Form3->Button1->click();  // still no picture: still refused
    EXPECT_EQ(boxes_.shown.back().text,
              QStringLiteral("ジャケット画像がインポートされていません。\r設定してください。"));

    // Unticking the tags disables but keeps them; Erase Tag empties only the texts.
    Form3->CheckBox1->click();
    Form3->Edit2->setText(QString(50, QChar(u'あ')));  // longer than typing allows
    Form3->CheckBox3->click();
    Form3->CheckBox1->click();
    EXPECT_FALSE(Form3->Edit2->isEnabled());
    EXPECT_FALSE(Form3->BitBtn1->isEnabled());
    Form3->CheckBox1->click();
    EXPECT_EQ(Form3->Edit2->text().size(), 50);
    QTest::keyClick(Form3->Edit2, Qt::Key_Backspace);  // shortening a long text is typing too
    QTest::keyClicks(Form3->Edit2, QStringLiteral("xy"));
    EXPECT_EQ(Form3->Edit2->text().size(), 49);
    Form3->Edit3->clear();
    QTest::keyClicks(Form3->Edit3, QString(43, QLatin1Char('z')));
    EXPECT_EQ(Form3->Edit3->text().size(), 42);
    Form3->BitBtn1->click();
    EXPECT_TRUE(Form3->Edit2->text().isEmpty());
    EXPECT_TRUE(Form3->CheckBox3->isChecked());

    // Cancel hands nothing over; the next showing has the same choices and the placeholder.
    Form3->CheckBox2->click();
    WhenModal([](QWidget*) { Form3->Button2->click(); });
    EXPECT_FALSE(Form3->Ask(Form1).has_value());
    WhenModal([](QWidget*) { Form3->close(); });  // the window system closing it: Cancel too
    EXPECT_FALSE(Form3->Ask(Form1).has_value());
    WhenModal([](QWidget*) { Form3->Button1->click(); });
    const std::optional<RewriteRequest> request = Form3->Ask(Form1);
    ASSERT_TRUE(request.has_value());
    EXPECT_TRUE(request->writeTags);
    EXPECT_TRUE(request->numberTracks);
    EXPECT_FALSE(request->writeJacket);
    EXPECT_EQ(request->texts.artist, "");
}

TEST_F(BatchRewriteTest, TheKeptPictureIsShownAndTheNextBatchWritesIt) {
    // A picture of its own colours, saved as a bitmap of the jacket's size.
    Picture15 picture(75, 75);
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 75; ++x)
            picture.set(x, y, static_cast<std::uint16_t>((x * 31 / 74) << 10 | (y * 31 / 74) << 5));
    const fs::path bitmap = prefix_.folder() / "cover.bmp";
    test::WriteBytes(bitmap, EncodeBitmap16(picture));
    const auto shown = [] {
        return Form3->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage placeholder =
        QPixmap(QStringLiteral(":/NoImage.bmp")).toImage().convertToFormat(QImage::Format_RGB32);

    Browse("F:\\MUSIC");
    page_->BitBtn1->click();
    for (int batch = 0; batch < 2; ++batch) {
        SCOPED_TRACE(batch);
        WhenModal([&](QWidget*) {
            if (batch == 0) {
                EXPECT_EQ(shown(), placeholder);  // nothing loaded yet
                dialogs_.answers.push_back(QString::fromStdString(bitmap.string()));
                Form3->Button3->click();
            } else {
                SaveScreenshot(Form3, "kept-picture");
            }
            EXPECT_EQ(shown(), ToImage(picture));
            Form3->Button1->click();
        });
        page_->BitBtn3->click();
        ASSERT_EQ(boxes_.shown.size(), static_cast<std::size_t>(batch + 1));
        const std::string jacket =
            boxes_.shown.back().text.section(QStringLiteral("  "), 1).toStdString();
        EXPECT_EQ(ReadBytes(player_ / "GBSYSTEM" / "IMAGE" / jacket), WriteJacketGbp(picture));
        EXPECT_EQ(ReadTagBlock(player_ / "MUSIC" / "A.SAT").gbpFileName, jacket);
    }
}

TEST_F(BatchRewriteTest, NoHandlerOfTheMainWindowRunsWhileABatchReadsItsFilesOrUndoWorks) {
    ASSERT_EQ(SendAllThree(),
              (QStringList{"F:\\MUSIC\\A.SAT", "F:\\MUSIC\\B.SAT", "F:\\ROOT.SAT"}));
    dialogs_.answers.push_back(QString::fromStdString(kPicture.string()));
    WhenModal([](QWidget*) {
        Form3->CheckBox1->click();
        Form3->Edit2->setText(QStringLiteral("星野ひかり"));
        Form3->Button3->click();
        Form3->Button1->click();
    });
    Probe reading;
    ProbeDuring(Form5, QStringLiteral(" を読み込んでいます。"), reading, "batch-reading");
    page_->BitBtn3->click();

    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Plain);
    const std::string jacket = boxes_.shown[0].text.section(QStringLiteral("  "), 1).toStdString();
    EXPECT_EQ(ReadTagBlock(player_ / "ROOT.SAT").artist, "星野ひかり");

    Probe undoing;
    ProbeDuring(Form1->UndoProgressForm, QStringLiteral(" を元に戻しています。"), undoing, "undo");
    Form1->UndoU1->trigger();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    const QString summary = boxes_.shown[1].text;
    EXPECT_EQ(boxes_.shown[1].kind, MessageKind::Plain);
    EXPECT_TRUE(summary.contains(QStringLiteral("3 個のファイルを元に戻しました。")));
    // The jacket file is named as the lists show it, with an upper-case drive letter.
    EXPECT_TRUE(summary.contains(QStringLiteral("ジャケット画像ファイル F:\\GBSYSTEM\\IMAGE\\") +
                                 QString::fromStdString(jacket) +
                                 QStringLiteral(" を削除しました。")))
        << summary.toStdString();
    EXPECT_EQ(ReadBytes(player_ / "ROOT.SAT"), Pattern(1));

    for (const Probe* probe : {&reading, &undoing}) {
        SCOPED_TRACE(probe == &reading ? "batch" : "undo");
        EXPECT_TRUE(probe->fired);
        EXPECT_TRUE(probe->modal);
        EXPECT_FALSE(probe->menusEnabled);
        EXPECT_FALSE(probe->pageEnabled);
        EXPECT_FALSE(probe->menuOpened);
        EXPECT_EQ(probe->entries, 3);
    }
    EXPECT_TRUE(reading.text.startsWith(QStringLiteral("F:\\"))) << reading.text.toStdString();
    EXPECT_TRUE(undoing.text.startsWith(QStringLiteral("F:\\"))) << undoing.text.toStdString();
    // Each window was closed before its box, and the main window takes input again.
    EXPECT_EQ(boxes_.progressShown, (std::vector<bool>{false, false}));
    EXPECT_FALSE(Form1->UndoProgressForm->isVisible());
    EXPECT_TRUE(Form1->MainMenu1->isEnabled());
    EXPECT_TRUE(page_->isEnabled());
    EXPECT_EQ(Form1->UndoProgressForm->windowTitle(), "一括書き換えを元に戻しています。");
}

TEST_F(BatchRewriteTest, AFailedRunClosesItsProgressWindowBeforeTheErrorBox) {
    SendAllThree();
    WhenModal([](QWidget*) {
        Form3->CheckBox1->click();
        Form3->CheckBox2->click();  // tags only
        Form3->Button1->click();
    });
    // Once the files are read, another program changes B before its turn comes.
    QObject::connect(Form5->ProgressBar1, &QProgressBar::valueChanged, &probes_, [&](int value) {
        if (value != 0 || !Form5->isVisible()) return;
        Bytes changed = Pattern(2);
        changed[300] ^= 0xFF;
        test::WriteBytes(player_ / "MUSIC" / "B.SAT", changed);
    });
    page_->BitBtn3->click();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(boxes_.shown[0].text.startsWith(
        QStringLiteral("F:\\MUSIC\\B.SAT を書き換えられませんでした。")))
        << boxes_.shown[0].text.toStdString();
    EXPECT_FALSE(boxes_.progressShown[0]);
    EXPECT_FALSE(Form5->isVisible());
    EXPECT_EQ(Form5->ProgressBar1->value(), 0);

    // A later undo takes back A alone; the batch's window stays closed.
    QObject::disconnect(Form5->ProgressBar1, nullptr, &probes_, nullptr);
    Form1->UndoU1->trigger();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_TRUE(boxes_.shown[1].text.contains(QStringLiteral("1 個のファイルを元に戻しました。")))
        << boxes_.shown[1].text.toStdString();
    EXPECT_EQ(ReadBytes(player_ / "MUSIC" / "A.SAT"), Pattern(3));
    EXPECT_FALSE(Form5->isVisible());
    EXPECT_FALSE(boxes_.progressShown[1]);
}

TEST_F(BatchRewriteTest, TargetListButtonsMenusKeysAndDrops) {
    QTest::mouseClick(page_->BitBtn3, Qt::LeftButton);  // empty list: its box alone
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, QStringLiteral("対象リストにSATファイルがありません。\r"));
    EXPECT_FALSE(Form3->isVisible());

    Browse("F:\\MUSIC");
    page_->MenuItem4->trigger();  // all, twice: duplicates are kept
    page_->MenuItem3->trigger();  // select all, then send the selection
    page_->MenuItem1->trigger();
    EXPECT_EQ(page_->ListBox1->count(), 4);
    page_->ListBox1->setCurrentRow(1);
    QTest::keyClick(page_->ListBox1, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Entries(page_->ListBox1),
              (QStringList{"F:\\MUSIC\\A.SAT", "F:\\MUSIC\\A.SAT", "F:\\MUSIC\\B.SAT"}));
    page_->ListBox1->clearSelection();
    page_->MenuItem5->trigger();  // nothing selected: nothing removed
    EXPECT_EQ(page_->ListBox1->count(), 3);

    // Dropped files arrive in the order dropped; one outside every drive spoils the drop.
    EXPECT_TRUE(page_->ListBox1->viewport()->acceptDrops());
    const auto drop = [&](const std::vector<fs::path>& files) { page_->ListBox1DragDrop(files); };
    const fs::path b = player_ / "MUSIC" / "B.SAT";
    const fs::path root = player_ / "ROOT.SAT";
    page_->BitBtn2->click();
    drop({b, root});
    EXPECT_EQ(Entries(page_->ListBox1), (QStringList{"F:\\MUSIC\\B.SAT", "F:\\ROOT.SAT"}));
    // The box names a file on a drive by its Windows path, one outside every drive by its host
    // path.
    const fs::path outsideSat = prefix_.folder() / "ELSEWHERE.sat";
    const fs::path notSat = player_ / "GBSYSTEM" / "IMAGE" / "A.GBP";
    const std::pair<fs::path, QString> spoilers[] = {
        {outsideSat, QString::fromStdString(outsideSat.string())},
        {notSat, QStringLiteral("F:\\GBSYSTEM\\IMAGE\\A.GBP は")}};
    for (const auto& [spoiler, named] : spoilers) {
        drop({root, spoiler});
        EXPECT_EQ(page_->ListBox1->count(), 2);
        EXPECT_EQ(boxes_.shown.back().kind, MessageKind::Error);
        EXPECT_TRUE(boxes_.shown.back().text.startsWith(named))
            << boxes_.shown.back().text.toStdString();
    }
    page_->MenuItem6->trigger();
    EXPECT_EQ(page_->ListBox1->count(), 0);
}

}  // namespace
}  // namespace corvina
