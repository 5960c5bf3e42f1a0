// The demo player of scripts/make-demo-player.sh, opened as the program opens it.
#include <gtest/gtest.h>

#include <QTabWidget>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/file_list_box.h"
#include "window_test_support.h"

namespace corvina {
namespace {

TEST(DemoPlayerTest, MainWindowOpensOnTheDemoPlayer) {
    test::TempDir dir;
    const std::filesystem::path demo = dir / "demo";
    const std::string script = std::string(CORVINA_SOURCE_DIR) + "/scripts/make-demo-player.sh";
    const std::string command =
        "'" + script + "' '" + demo.string() + "' '" + CORVINA_CLI_PATH + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(std::system(command.c_str()), 0) << "running it again works too";

    const char* old = std::getenv("CORVINA_PREFIX");
    const std::string oldPrefix = old != nullptr ? old : "";
    ::setenv("CORVINA_PREFIX", demo.c_str(), 1);
    DriveMap drives(DriveMap::PrefixFromEnvironment());
    test::ScriptedMessageBoxes boxes;
    CreateForms(drives);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Form1->DriveComboBox1->Drive(), 'f');
    EXPECT_EQ(Form1->FileListBox3->Names(),
              (std::vector<std::string>{"0RT6E2Y8Q4I9OP5N.GBP", "2K7QF1M8ZC4R9T3A.GBP",
                                        "4P9S3L7GK1U0MA6C.GBP", "8WN5B0X2HJ6D1VYE.GBP"}));
    Form1->DirectoryListBox1->SetDirectory("F:\\MUSIC\\JPOP");
    EXPECT_EQ(Form1->FileListBox1->Names(),
              (std::vector<std::string>{"HOSHIZORA.SAT", "SAKURA.SAT", "YUUNAGI.SAT"}));
    test::SaveScreenshot(Form1, "Form1-page0");
    Form1->DirectoryListBox2->SetDirectory("F:\\MUSIC\\ROCK");
    Form1->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(Form1->FileListBox2->Count(), 3);
    test::SaveScreenshot(Form1, "Form1-page1");
    Form1->PageControl1->setCurrentIndex(2);
    test::SaveScreenshot(Form1, "Form1-page2");

    DestroyForms();
    if (old != nullptr) {
        ::setenv("CORVINA_PREFIX", oldPrefix.c_str(), 1);
    } else {
        ::unsetenv("CORVINA_PREFIX");
    }
}

}  // namespace
}  // namespace corvina
