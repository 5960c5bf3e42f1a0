#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

#include "core/base/errors.h"
#include "gui/controls/anchors.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/handler.h"
#include "gui/controls/message_boxes.h"
#include "gui/controls/open_dialogs.h"
#include "gui/window_test_support.h"

namespace corvina {
namespace {

using test::WhenModal;

QStringList ButtonTexts(const QMessageBox& box) {
    QStringList texts;
    for (QAbstractButton* button : box.buttons()) texts << button->text();
    return texts;
}

TEST(MessageBoxTest, FourKindsOfBox) {
    const auto error = MakeMessageBox(nullptr, MessageKind::Error, "a\rb");
    EXPECT_EQ(error->windowTitle(), "エラー");
    EXPECT_EQ(error->icon(), QMessageBox::Critical);
    EXPECT_EQ(ButtonTexts(*error), QStringList{"OK"});
    EXPECT_EQ(error->text(), "a\nb");

    const auto confirm = MakeMessageBox(nullptr, MessageKind::Confirmation, "x\r\ny");
    EXPECT_EQ(confirm->windowTitle(), "確認");
    EXPECT_EQ(confirm->icon(), QMessageBox::Question);
    EXPECT_EQ(ButtonTexts(*confirm), (QStringList{"はい(&Y)", "いいえ(&N)"}));
    EXPECT_EQ(confirm->text(), "x\ny");

    const auto plain = MakeMessageBox(nullptr, MessageKind::Plain, "done");
    EXPECT_EQ(plain->windowTitle(), "Corvina  version 1.0");
    EXPECT_EQ(plain->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(ButtonTexts(*plain), QStringList{"OK"});

    const auto failure = MakeMessageBox(nullptr, MessageKind::DefaultError, "boom");
    EXPECT_EQ(failure->windowTitle(), "Corvina  version 1.0");
    EXPECT_EQ(failure->icon(), QMessageBox::Critical);
    EXPECT_EQ(ButtonTexts(*failure), QStringList{"OK"});

    for (const auto& [box, name] : {std::pair{error.get(), "Error"},
                                    {confirm.get(), "Confirmation"},
                                    {plain.get(), "Plain"},
                                    {failure.get(), "DefaultError"}}) {
        box->show();
        test::SaveScreenshot(box, name);
        box->hide();
    }
}

TEST(ApplicationSetupTest, JapaneseFontAndQtTexts) {
    const QFont font = QApplication::font();
    EXPECT_EQ(font.family(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(QFontInfo(font).family(), "IPAPGothic") << "the family is mapped to IPA P Gothic";
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), "ファイル名(&N):");
}

TEST(MessageBoxTest, RealConfirmationBoxCountsOnlyYes) {
    for (const bool yes : {true, false}) {
        WhenModal([yes](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            box->findChild<QPushButton*>(yes ? "YesButton" : "NoButton")->click();
        });
        EXPECT_EQ(QtMessageBoxService().Show(nullptr, MessageKind::Confirmation, "?"), yes);
    }
    // Closed without an answer: not a yes.
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(QtMessageBoxService().Show(nullptr, MessageKind::Confirmation, "?"));
}

TEST(MessageBoxTest, HandlerFailuresGoToTheDefaultErrorBox) {
    test::ScriptedMessageBoxes boxes;
    bool after = false;
    RunHandler(nullptr, [&] {
        throw std::runtime_error("ファイルを開けません");
        after = true;
    });
    RunHandler(nullptr, [] {});
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::DefaultError);
    EXPECT_EQ(boxes.shown[0].text, "ファイルを開けません.");
}

TEST(OpenDialogTest, FiltersBecomeQtFiltersIgnoringCase) {
    EXPECT_EQ(QtFilters("gigabeat roomプログラムファイル(GBRoom.exe)|GBRoom.exe"),
              QStringList{"gigabeat roomプログラムファイル(GBRoom.exe) "
                          "([Gg][Bb][Rr][Oo][Oo][Mm].[Ee][Xx][Ee])"});
    EXPECT_EQ(
        QtFilters("JPEG (*.jpg)|*.jpg|Pictures|*.bmp;*.Jpg"),
        (QStringList{"JPEG (*.jpg) (*.[Jj][Pp][Gg])", "Pictures (*.[Bb][Mm][Pp] *.[Jj][Pp][Gg])"}));
}

class BrowserTest : public ::testing::Test {
protected:
    BrowserTest() {
        root_ = prefix_.MapDrive('f', "player");
        std::filesystem::create_directories(root_ / "MUSIC" / "JPOP");
        std::filesystem::create_directories(root_ / "Alpha.sat");
        std::filesystem::create_directories(root_ / ".hidden");
        test::WriteText(root_ / "b.SAT", "b");
        test::WriteText(root_ / "A.sat", "a");
        test::WriteText(root_ / "C.SAT", "c");
        test::WriteText(root_ / ".secret.sat", "h");
        test::WriteText(root_ / "readme.txt", "t");
        test::WriteText(root_ / "MUSIC" / "X.SAT", "x");
        files_.SetDriveMap(&prefix_.drives());
        tree_.SetDriveMap(&prefix_.drives());
        tree_.SetFileList(&files_);
        drive_.SetDriveMap(&prefix_.drives());
        drive_.SetDirList(&tree_);
        files_.SetMask("*.SAT");
    }

    test::TempPrefix prefix_;
    std::filesystem::path root_;
    FileListBox files_;
    DirectoryListBox tree_;
    DriveComboBox drive_;
};

TEST_F(BrowserTest, RealOpenDialogGivesTheWindowsPathOfTheChosenFile) {
    std::filesystem::create_directories(root_ / "Apps");
    test::WriteText(root_ / "Apps" / "gbroom.exe", "program");
    QtOpenDialogService service(&prefix_.drives());
    OpenDialogRequest request;
    request.filter = "gigabeat roomプログラムファイル(GBRoom.exe)|GBRoom.exe";
    request.initialFolder = "F:\\Apps";
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
                  QString::fromStdString(std::filesystem::canonical(root_ / "Apps").string()));
        EXPECT_EQ(dialog->nameFilters().size(), 1);
        test::SaveScreenshot(dialog, "OpenDialog");
        // Typed into the name field: selectFile() leaves the field alone while it has the focus,
        // which the dialog may or may not have got by now.
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            name->setText(QString::fromStdString((root_ / "Apps" / "gbroom.exe").string()));
        }
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog did not take the file";
            dialog->reject();
        }
    });
    EXPECT_EQ(service.Open(nullptr, request), QString("F:\\Apps\\gbroom.exe"));

    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(service.Open(nullptr, request), std::nullopt);
}

TEST_F(BrowserTest, FileListReadsAgainOnRequestAndDropsTheSelection) {
    files_.SetMultiSelect(true);
    files_.SetDirectory("F:\\");
    files_.SelectAll();
    EXPECT_TRUE(files_.IsSelected(0) && files_.IsSelected(2));
    test::WriteText(root_ / "D.SAT", "d");
    std::filesystem::remove(root_ / "A.sat");
    EXPECT_EQ(files_.Count(), 3);
    files_.Update();
    EXPECT_EQ(files_.Names(), (std::vector<std::string>{"b.SAT", "C.SAT", "D.SAT"}));
    EXPECT_TRUE(files_.selectedItems().isEmpty());

    files_.SetMultiSelect(false);
    files_.SelectAll();
    EXPECT_TRUE(files_.selectedItems().isEmpty()) << "select all does nothing in a single list";
}

TEST_F(BrowserTest, FileListRefusesAMissingFolderAndStaysWhereItWas) {
    files_.SetDirectory("F:\\MUSIC");
    EXPECT_THROW(files_.SetDirectory("F:\\NOWHERE"), FileError);
    EXPECT_THROW(files_.SetDirectory("F:\\A.sat"), FileError);
    EXPECT_THROW(files_.SetDirectory("Q:\\"), FileError);
    EXPECT_EQ(files_.Directory(), "F:\\MUSIC");
    EXPECT_EQ(files_.Names(), std::vector<std::string>{"X.SAT"});
}

TEST_F(BrowserTest, FolderTreeShowsThePathAndSubFoldersAndMovesTheFileList) {
    QSignalSpy changed(&tree_, &DirectoryListBox::Changed);
    std::vector<std::string> namesSeen;
    QObject::connect(&tree_, &DirectoryListBox::Changed, [&] { namesSeen = files_.Names(); });
    tree_.SetDirectory("f:\\music");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(tree_.Directory(), "F:\\MUSIC");
    EXPECT_EQ(tree_.Drive(), 'f');
    EXPECT_EQ(namesSeen, std::vector<std::string>{"X.SAT"}) << "the file list moves first";
    QStringList items;
    for (int i = 0; i < tree_.count(); ++i) items << tree_.item(i)->text();
    EXPECT_EQ(items, (QStringList{"F:\\", "MUSIC", "JPOP"}));
    EXPECT_EQ(tree_.currentItem()->text(), "MUSIC");

    // Choosing an entry (double-click or Enter) opens it.
    emit tree_.itemActivated(tree_.item(2));
    EXPECT_EQ(tree_.Directory(), "F:\\MUSIC\\JPOP");
    emit tree_.itemActivated(tree_.item(0));
    EXPECT_EQ(tree_.Directory(), "F:\\");
    items.clear();
    for (int i = 0; i < tree_.count(); ++i) items << tree_.item(i)->text();
    EXPECT_EQ(items, (QStringList{"F:\\", "Alpha.sat", "MUSIC"})) << "hidden folders are left out";
    EXPECT_EQ(changed.count(), 3);

    EXPECT_THROW(tree_.SetDirectory("F:\\NOWHERE"), FileError);
    EXPECT_EQ(tree_.Directory(), "F:\\");
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(BrowserTest, DriveBoxListsMappedDrivesAndHoldsAnyLetter) {
    QStringList entries;
    for (int i = 0; i < drive_.count(); ++i) entries << drive_.itemText(i);
    EXPECT_EQ(entries, (QStringList{"c: [drive_c]", "f: [player]"}));
    EXPECT_EQ(drive_.Drive(), '\0');
    EXPECT_EQ(drive_.currentIndex(), -1);

    drive_.SetDrive('F');
    EXPECT_EQ(drive_.Drive(), 'f');
    EXPECT_EQ(drive_.currentText(), "f: [player]");
    EXPECT_EQ(tree_.Directory(), "F:\\");
    EXPECT_EQ(files_.Directory(), "F:\\");

    DriveComboBox unlinked;
    unlinked.SetDriveMap(&prefix_.drives());
    unlinked.SetDrive('x');
    EXPECT_EQ(unlinked.Drive(), 'x');
    EXPECT_EQ(unlinked.currentIndex(), -1);
    unlinked.SetDrive('\0');
    EXPECT_EQ(unlinked.Drive(), '\0');
}

TEST_F(BrowserTest, DriveOfTheTreeIsNotMovedAgain) {
    tree_.SetDirectory("F:\\MUSIC");
    drive_.SetDrive('f');
    EXPECT_EQ(tree_.Directory(), "F:\\MUSIC");
}

TEST_F(BrowserTest, ChoosingADriveMovesTheTreeOrReportsAndStays) {
    test::ScriptedMessageBoxes boxes;
    drive_.SetDrive('f');
    std::filesystem::create_directory_symlink(prefix_.folder() / "gone",
                                              prefix_.drives().prefix() / "dosdevices" / "g:");
    drive_.SetDriveMap(&prefix_.drives());
    ASSERT_EQ(drive_.count(), 3);

    drive_.setCurrentIndex(0);
    emit drive_.activated(0);  // the user picks c:
    EXPECT_EQ(drive_.Drive(), 'c');
    EXPECT_EQ(tree_.Directory(), "C:\\");
    EXPECT_TRUE(boxes.shown.empty());

    drive_.setCurrentIndex(2);
    emit drive_.activated(2);  // g: points nowhere
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::DefaultError);
    EXPECT_EQ(drive_.Drive(), 'c');
    EXPECT_EQ(drive_.currentIndex(), 0);
    EXPECT_EQ(tree_.Directory(), "C:\\");
}

TEST(AnchorTest, ControlsKeepTheirDistancesToAnchoredEdges) {
    QWidget parent;
    parent.resize(200, 100);
    auto* fixed = new QWidget(&parent);
    fixed->setGeometry(10, 10, 20, 20);
    auto* wide = new QWidget(&parent);
    wide->setGeometry(10, 40, 180, 20);
    auto* right = new QWidget(&parent);
    right->setGeometry(150, 10, 40, 20);
    auto* all = new QWidget(&parent);
    all->setGeometry(10, 70, 100, 20);
    auto* bottom = new QWidget(&parent);
    bottom->setGeometry(0, 90, 200, 10);
    parent.show();  // a hidden widget gets its resize events only when shown
    AnchorLayout* anchors = Anchors(&parent, QSize(200, 100));
    EXPECT_EQ(Anchors(&parent, QSize(1, 1)), anchors);
    anchors->Add(fixed, kAnchorLeftTop);
    anchors->Add(wide, kAnchorLeft | kAnchorTop | kAnchorRight);
    anchors->Add(right, kAnchorTop | kAnchorRight);
    anchors->Add(all, kAnchorAll);
    anchors->Add(bottom, kAnchorLeft | kAnchorRight | kAnchorBottom);

    parent.resize(260, 130);
    EXPECT_EQ(fixed->geometry(), QRect(10, 10, 20, 20));
    EXPECT_EQ(wide->geometry(), QRect(10, 40, 240, 20));
    EXPECT_EQ(right->geometry(), QRect(210, 10, 40, 20));
    EXPECT_EQ(all->geometry(), QRect(10, 70, 160, 50));
    EXPECT_EQ(bottom->geometry(), QRect(0, 120, 260, 10));

    parent.resize(200, 100);
    EXPECT_EQ(all->geometry(), QRect(10, 70, 100, 20));
    EXPECT_EQ(right->geometry(), QRect(150, 10, 40, 20));
}

}  // namespace
}  // namespace corvina
