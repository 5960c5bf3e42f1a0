// The demo player of scripts/make-demo-player.sh, opened as the program opens it.
#include <gtest/gtest.h>

#include <QTabWidget>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/formats/gbp.h"
#include "core/formats/sat_tags.h"
#include "gui/app/main_window.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/window_test_support.h"

namespace corvina {
namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

TEST(DemoPlayerTest, MainWindowOpensOnTheDemoPlayer) {
    test::TempPrefix prefix;  // the script adds drive F: to this prefix
    const std::filesystem::path demo = prefix.drives().prefix();
    const std::string script = std::string(CORVINA_SOURCE_DIR) + "/scripts/make-demo-player.sh";
    const std::string command =
        "'" + script + "' '" + demo.string() + "' '" + CORVINA_CLI_PATH + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(std::system(command.c_str()), 0) << "running it again works too";

    // Every SAT file is a sizeable file with a real tag block; the jackets it names are on the
    // player; the tags hold Japanese and English texts.
    const std::filesystem::path player = demo / "player";
    int files = 0;
    int japanese = 0;
    int english = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(player / "MUSIC")) {
        if (entry.path().extension() != ".SAT") continue;
        ++files;
        EXPECT_GE(entry.file_size(), 1024u) << entry.path();
        const TagBlock tags = ReadTagBlock(entry.path());
        EXPECT_FALSE(tags.title.empty()) << entry.path();
        if (!tags.gbpFileName.empty()) {
            const auto jacket = player / "GBSYSTEM" / "IMAGE" / tags.gbpFileName;
            ASSERT_TRUE(std::filesystem::is_regular_file(jacket)) << jacket;
            EXPECT_EQ(ReadGbpPicture(jacket, 75, 75).width(), 75);
        }
        const std::string texts = tags.title + tags.artist + tags.album + tags.genre;
        (IsAscii(texts) ? english : japanese) += 1;
    }
    EXPECT_GE(files, 6);
    EXPECT_GE(japanese, 1);
    EXPECT_GE(english, 1);
    EXPECT_EQ(ReadGbpPicture(player / "GBWALL.GBP", 240, 320).height(), 320);

    const DriveMap drives(demo);
    test::ScriptedMessageBoxes boxes;
    CreateForms(drives, test::NoMounts);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Form1->TabSheet1->DriveComboBox1->Drive(), 'f');
    EXPECT_EQ(Form1->TabSheet3->FileListBox3->Names(),
              (std::vector<std::string>{"0RT6E2Y8Q4I9OP5N.GBP", "2K7QF1M8ZC4R9T3A.GBP",
                                        "4P9S3L7GK1U0MA6C.GBP", "8WN5B0X2HJ6D1VYE.GBP"}));
    Form1->TabSheet1->DirectoryListBox1->SetDirectory("F:\\MUSIC\\JPOP");
    EXPECT_EQ(Form1->TabSheet1->FileListBox1->Names(),
              (std::vector<std::string>{"HOSHIZORA.SAT", "SAKURA.SAT", "YUUNAGI.SAT"}));
    test::SaveScreenshot(Form1, "Form1-page0");
    Form1->TabSheet2->DirectoryListBox2->SetDirectory("F:\\MUSIC\\ROCK");
    Form1->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(Form1->TabSheet2->FileListBox2->Count(), 3);
    test::SaveScreenshot(Form1, "Form1-page1");
    Form1->PageControl1->setCurrentIndex(2);
    test::SaveScreenshot(Form1, "Form1-page2");
    DestroyForms();
}

}  // namespace
}  // namespace corvina
