#include <gtest/gtest.h>

#include <QAction>
#include <QStatusBar>
#include <chrono>
#include <thread>

#include "core/room/library_update.h"
#include "gui/app/main_window.h"
#include "gui/window_test_support.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

class LibraryUpdateWindowTest : public ::testing::Test {
protected:
    LibraryUpdateWindowTest() {
        test::MakePlayer(prefix_.MapDrive('f', "player"));
        room_ = prefix_.drives().prefix() / "drive_c" / "gigabeat room";
        fs::create_directories(room_);
    }
    ~LibraryUpdateWindowTest() override { DestroyForms(); }

    void SetRoom(const std::string& windowsPath) {
        test::WriteText(prefix_.SettingsFile(),
                        "[Fundamental setting]\r\nRoom=" + windowsPath + "\r\nDrive=F\r\n");
    }

    test::TempPrefix prefix_;
    test::ScriptedMessageBoxes boxes_;
    fs::path room_;
};

TEST_F(LibraryUpdateWindowTest, StartsTheProgramNowInTheSettingsAndReturns) {
    CreateForms(prefix_.drives(), test::NoMounts);
    const fs::path out = prefix_.folder() / "started";
    test::WriteText(room_ / "room.sh", "#!/bin/sh\ntouch '" + out.string() + "'\n");
    fs::permissions(room_ / "room.sh", fs::perms::owner_all);
    SetRoom("C:\\gigabeat room\\room.sh");  // after start-up: the update reads it again

    Form1->LibraryUpdateL1->trigger();
    for (int i = 0; i < 500 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(out));
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(Form1->StatusBar1->currentMessage(), "");
}

TEST_F(LibraryUpdateWindowTest, AMissingProgramGivesTheErrorBox) {
    SetRoom("C:\\gigabeat room");  // a folder
    CreateForms(prefix_.drives(), test::NoMounts);
    Form1->LibraryUpdateL1->trigger();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(boxes_.shown[0].text.toStdString(), kRoomProgramMissingMessage);
}

}  // namespace
}  // namespace corvina
