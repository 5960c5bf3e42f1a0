#include "gui/app/settings_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/session/settings.h"
#include "gui/app/main_window.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/window_test_support.h"

namespace corvina {
namespace {

using test::SaveScreenshot;
using test::WhenModal;

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest() {
        player_ = prefix_.MapDrive('f', "player");
        test::MakePlayer(player_);
        prefix_.MapDrive('g', "stick");
    }
    ~SettingsWindowTest() override { DestroyForms(); }

    void Start() { CreateForms(prefix_.drives(), test::NoMounts); }

    // Opens the dialog with "Setting(&S)" and runs `inDialog` while it is open.
    void OpenSettings(const std::function<void(TForm2*)>& inDialog) {
        bool seen = false;
        WhenModal([&](QWidget* modal) {
            ASSERT_EQ(modal, Form2);
            seen = true;
            inDialog(Form2);
        });
        Form1->S1->trigger();
        EXPECT_TRUE(seen);
    }

    // The user picks the entry of `letter` in the dialog's drive box.
    static void ChooseDrive(TForm2* dialog, char letter) {
        const int index = dialog->DriveComboBox1->findData(QChar(QLatin1Char(letter)));
        ASSERT_GE(index, 0);
        dialog->DriveComboBox1->setCurrentIndex(index);
        emit dialog->DriveComboBox1->activated(index);
    }

    std::string Ini() const { return test::ReadText(prefix_.SettingsFile()); }

    test::TempPrefix prefix_;
    test::ScriptedMessageBoxes boxes_;
    std::filesystem::path player_;
};

TEST_F(SettingsWindowTest, DialogIsAFixedBoxWithoutTitleBarButtons) {
    Start();
    EXPECT_EQ(Form2->windowTitle(), "Corvina 設定");
    EXPECT_EQ(Form2->size(), QSize(424, 273));
    EXPECT_EQ(Form2->minimumSize(), Form2->maximumSize());
    const Qt::WindowFlags flags = Form2->windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
    for (QPushButton* button : {Form2->Button1, Form2->Button2, Form2->Button3}) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
    EXPECT_EQ(Form2->Button1->text(), "...");
    EXPECT_EQ(Form2->Button2->text(), "OK");
    EXPECT_EQ(Form2->Button3->text(), "Cancel");
    EXPECT_EQ(Form2->Panel1->geometry(), QRect(8, 8, 409, 209));
    EXPECT_EQ(Form2->Label1->pos(), QPoint(16, 16));
    EXPECT_EQ(Form2->Label1->text(),
              "gigabeat roomのインストール場所をプログラムファイルごと指定してください。");
    EXPECT_EQ(Form2->Edit1->geometry(), QRect(16, 32, 321, 20));
    EXPECT_EQ(Form2->Button1->geometry(), QRect(344, 32, 33, 17));
    EXPECT_EQ(Form2->Label2->pos(), QPoint(16, 72));
    EXPECT_EQ(Form2->Label2->text(),
              "gigabeatF接続時にgigabeatFに当てられるドライブレターを指定してください。");
    EXPECT_EQ(Form2->DriveComboBox1->geometry(), QRect(16, 88, 321, 18));
    EXPECT_EQ(Form2->Button2->geometry(), QRect(216, 232, 89, 25));
    EXPECT_EQ(Form2->Button3->geometry(), QRect(320, 232, 97, 25));
    EXPECT_EQ(Form2->OpenDialog1.filter, "gigabeat roomプログラムファイル(GBRoom.exe)|GBRoom.exe");
}

TEST_F(SettingsWindowTest, NoSettingsFileShowsAnEmptyPathAndDriveF) {
    Start();
    EXPECT_EQ(Form2->Edit1->text(), "");
    EXPECT_EQ(Form2->DriveComboBox1->Drive(), 'f');
    EXPECT_EQ(Form2->DriveComboBox1->currentText(), "f: [player]");
    OpenSettings([](TForm2* dialog) {
        SaveScreenshot(dialog, "Form2");
        dialog->Button3->click();
    });
}

TEST_F(SettingsWindowTest, OkWritesBothKeysAndLeavesTheMainWindowAlone) {
    Start();
    OpenSettings([](TForm2* dialog) {
        dialog->Edit1->setText("C:\\Program Files\\gigabeat room\\GBRoom.exe");
        ChooseDrive(dialog, 'g');
        dialog->Button2->click();
    });
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(Ini(),
              "[Fundamental setting]\r\nRoom=C:\\Program Files\\gigabeat room\\GBRoom.exe"
              "\r\nDrive=g\r\n");

    // The main window keeps what it loaded at start-up until the next LoadSettings.
    EXPECT_EQ(Form1->Session.RoomPath, "");
    EXPECT_EQ(Form1->Session.DeviceDrive, "f");
    EXPECT_EQ(Form1->TabSheet1->DriveComboBox1->Drive(), 'f');
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Directory(), "F:\\GBSYSTEM\\IMAGE");
    Form1->Session.LoadSettings();
    EXPECT_EQ(Form1->Session.DeviceDrive, "g");
    EXPECT_EQ(Form1->Session.RoomPath, "C:\\Program Files\\gigabeat room\\GBRoom.exe");

    // The dialog shows the saved values when it opens again.
    OpenSettings([](TForm2* dialog) {
        EXPECT_EQ(dialog->Edit1->text(), "C:\\Program Files\\gigabeat room\\GBRoom.exe");
        EXPECT_EQ(dialog->DriveComboBox1->Drive(), 'g');
        dialog->Button3->click();
    });
}

TEST_F(SettingsWindowTest, OkWithoutChangesWritesAnUnmappedDriveBack) {
    test::WriteText(prefix_.SettingsFile(),
                    "[Fundamental setting]\r\nRoom=C:\\GBRoom.exe\r\nDrive=Q:\r\n");
    Start();
    EXPECT_EQ(Form2->DriveComboBox1->Drive(), 'q');
    EXPECT_EQ(Form2->DriveComboBox1->currentIndex(), -1) << "no entry shows drive q";
    OpenSettings([](TForm2* dialog) { dialog->Button2->click(); });
    EXPECT_EQ(Ini(), "[Fundamental setting]\r\nRoom=C:\\GBRoom.exe\r\nDrive=q\r\n");
}

TEST_F(SettingsWindowTest, EmptyDriveStaysEmpty) {
    test::WriteText(prefix_.SettingsFile(), "[Fundamental setting]\r\nRoom=\r\nDrive=\r\n");
    Start();
    EXPECT_EQ(Form2->DriveComboBox1->Drive(), '\0');
    EXPECT_EQ(Form2->DriveComboBox1->currentIndex(), -1);
    OpenSettings([](TForm2* dialog) { dialog->Button2->click(); });
    EXPECT_EQ(Ini(), "[Fundamental setting]\r\nRoom=\r\nDrive=\r\n");
}

TEST_F(SettingsWindowTest, CancelRefillsFromTheMainWindowAndWritesNothing) {
    test::WriteText(prefix_.SettingsFile(),
                    "[Fundamental setting]\r\nRoom=C:\\A\\GBRoom.exe\r\nDrive=f\r\n");
    Start();
    // OK saves a new path; the main window still holds the old one.
    OpenSettings([](TForm2* dialog) {
        dialog->Edit1->setText("C:\\B\\GBRoom.exe");
        dialog->Button2->click();
    });
    const std::string saved = Ini();
    OpenSettings([](TForm2* dialog) {
        EXPECT_EQ(dialog->Edit1->text(), "C:\\B\\GBRoom.exe");
        dialog->Edit1->setText("typed");
        ChooseDrive(dialog, 'g');
        dialog->Button3->click();
    });
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_EQ(Form2->Edit1->text(), "C:\\A\\GBRoom.exe");
    EXPECT_EQ(Form2->DriveComboBox1->Drive(), 'f');
    EXPECT_EQ(Ini(), saved);
}

// Permissions do not stop root, so the settings file is made unwritable by a folder in its place,
// then by a missing program folder.
TEST_F(SettingsWindowTest, WriteFailureKeepsTheDialogOpenWithTheTypedValues) {
    Start();
    const std::filesystem::path ini = prefix_.SettingsFile();
    for (const bool folderInItsPlace : {true, false}) {
        if (folderInItsPlace) {
            std::filesystem::create_directory(ini);
        } else {
            std::filesystem::remove_all(ini.parent_path());
        }
        boxes_.shown.clear();
        OpenSettings([&](TForm2* dialog) {
            dialog->Edit1->setText("C:\\GBRoom.exe");
            dialog->Button2->click();
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(dialog->Edit1->text(), "C:\\GBRoom.exe");
            ASSERT_EQ(boxes_.shown.size(), 1u);
            EXPECT_EQ(boxes_.shown[0].kind, MessageKind::DefaultError);
            EXPECT_EQ(boxes_.shown[0].text, "C:\\Corvina\\Corvina.ini に書き込めません.");
            dialog->Button3->click();
        });
        EXPECT_FALSE(Form2->isVisible());
        EXPECT_FALSE(std::filesystem::is_regular_file(ini));
    }
}

TEST_F(SettingsWindowTest, EnterAndEscapePressNothing) {
    Start();
    OpenSettings([&](TForm2* dialog) {
        dialog->Edit1->setFocus();
        QTest::keyClick(dialog->Edit1, Qt::Key_Return);
        QTest::keyClick(dialog->Edit1, Qt::Key_Escape);
        QTest::keyClick(dialog, Qt::Key_Escape);
        dialog->close();  // the window manager's close request
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(std::filesystem::exists(prefix_.SettingsFile()));
        // Enter on a focused button presses it.
        dialog->Button3->setFocus();
        QTest::keyClick(dialog->Button3, Qt::Key_Return);
        EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_FALSE(std::filesystem::exists(prefix_.SettingsFile()));
}

TEST_F(SettingsWindowTest, BrowseButtonTakesTheChosenFile) {
    Start();
    test::ScriptedOpenDialogs dialogs;
    dialogs.answers = {QString("G:\\Apps\\GBRoom.exe"), std::nullopt};
    Form2->Button1->click();
    EXPECT_EQ(Form2->Edit1->text(), "G:\\Apps\\GBRoom.exe");
    Form2->Button1->click();  // cancelled
    EXPECT_EQ(Form2->Edit1->text(), "G:\\Apps\\GBRoom.exe");
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].filter, "gigabeat roomプログラムファイル(GBRoom.exe)|GBRoom.exe");
}

}  // namespace
}  // namespace corvina
