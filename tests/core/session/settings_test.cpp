#include "core/session/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/base/errors.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : drives_(dir_ / "prefix") {
        drives_.CreateLayout();
        std::filesystem::create_directories(ProgramFolder());
    }

    // C:\Corvina of the drive map on Linux; on Windows the prefix, the executable's folder.
    std::filesystem::path ProgramFolder() const {
#ifdef _WIN32
        return drives_.prefix();
#else
        return drives_.prefix() / "drive_c" / "Corvina";
#endif
    }
    std::filesystem::path IniFile() const { return ProgramFolder() / "Corvina.ini"; }

    test::TempDir dir_;
    DriveMap drives_;
};

TEST_F(SettingsTest, FileLiesInTheProgramFolderOfDriveC) {
#ifdef _WIN32
    EXPECT_EQ(SettingsWindowsPath(drives_), FolderText(ProgramFolder().string()) + "\\Corvina.ini");
#else
    EXPECT_EQ(SettingsWindowsPath(drives_), "C:\\Corvina\\Corvina.ini");
#endif
    EXPECT_EQ(SettingsHostPath(drives_), IniFile());
}

TEST_F(SettingsTest, MissingFileSectionOrKeyGivesTheDefaults) {
    Settings settings = LoadSettings(drives_);
    EXPECT_EQ(settings.roomPath, "");
    EXPECT_EQ(settings.deviceDrive, "f");

    test::WriteText(IniFile(), "[Other]\r\nRoom=X\r\nDrive=g\r\n");
    settings = LoadSettings(drives_);
    EXPECT_EQ(settings.roomPath, "");
    EXPECT_EQ(settings.deviceDrive, "f");

    test::WriteText(IniFile(), "[Fundamental setting]\r\nRoom=C:\\GBRoom.exe\r\n");
    settings = LoadSettings(drives_);
    EXPECT_EQ(settings.roomPath, "C:\\GBRoom.exe");
    EXPECT_EQ(settings.deviceDrive, "f");
}

// Each key is read as the profile reader gives it, through the settings' buffer size, and is
// then left as it is: an empty value is not the default, the drive keeps the rest of its text.
TEST_F(SettingsTest, ValuesAreReadAsStoredWithoutFurtherChange) {
    const std::string longPath = "C:\\" + std::string(3000, 'a');
    const struct {
        std::string file;
        std::string room;
        std::string drive;
    } cases[] = {
        {"[Fundamental setting]\r\nRoom=\r\nDrive=\r\n", "", ""},
        // Section and key names ignore case; only blanks around the value and one pair of
        // quotes go.
        {"[fundamental SETTING]\r\nroom = \"D:\\My Apps\\GBRoom.exe\" \r\nDRIVE=F:\\music\r\n",
         "D:\\My Apps\\GBRoom.exe", "F:\\music"},
        {"[Fundamental setting]\r\nRoom=" + longPath + "\r\n", longPath.substr(0, 2047), "f"},
    };
    for (const auto& c : cases) {
        test::WriteText(IniFile(), c.file);
        const Settings settings = LoadSettings(drives_);
        EXPECT_EQ(settings.roomPath, c.room) << c.file;
        EXPECT_EQ(settings.deviceDrive, c.drive) << c.file;
    }
}

TEST_F(SettingsTest, JapaneseTextIsCodePage932OnDisk) {
    SaveSettings(drives_, "C:\\ギガビート\\GBRoom.exe", 'f');
    const std::string text = test::ReadText(IniFile());
    EXPECT_NE(text.find("Room=C:\\\x83\x4D\x83\x4B\x83\x72\x81\x5B\x83\x67\\GBRoom.exe"),
              std::string::npos);
    EXPECT_EQ(LoadSettings(drives_).roomPath, "C:\\ギガビート\\GBRoom.exe");
}

TEST_F(SettingsTest, SaveCreatesTheFileWithRoomThenDrive) {
    SaveSettings(drives_, "C:\\Program Files\\gigabeat room\\GBRoom.exe", 'F');
    const std::string text = test::ReadText(IniFile());
    const auto section = text.find("[Fundamental setting]");
    const auto room = text.find("Room=C:\\Program Files\\gigabeat room\\GBRoom.exe");
    const auto drive = text.find("Drive=f");
    ASSERT_NE(section, std::string::npos);
    ASSERT_NE(room, std::string::npos);
    ASSERT_NE(drive, std::string::npos);
    EXPECT_LT(section, room);
    EXPECT_LT(room, drive);
    EXPECT_EQ(text.find('"'), std::string::npos) << "a path with blanks is stored without quotes";

    const Settings settings = LoadSettings(drives_);
    EXPECT_EQ(settings.roomPath, "C:\\Program Files\\gigabeat room\\GBRoom.exe");
    EXPECT_EQ(settings.deviceDrive, "f");
    // Saving the same again leaves the same bytes.
    SaveSettings(drives_, "C:\\Program Files\\gigabeat room\\GBRoom.exe", 'f');
    EXPECT_EQ(test::ReadText(IniFile()), text);
}

TEST_F(SettingsTest, NoDriveIsSavedAsAnEmptyValue) {
    EXPECT_EQ(DriveSettingText('\0'), "");
    EXPECT_EQ(DriveSettingText('G'), "g");
    SaveSettings(drives_, "", '\0');
    const Settings settings = LoadSettings(drives_);
    EXPECT_EQ(settings.roomPath, "");
    EXPECT_EQ(settings.deviceDrive, "");
}

TEST_F(SettingsTest, SaveReplacesOnlyItsTwoKeys) {
    test::WriteText(IniFile(),
                    "; kept\r\n[Fundamental setting]\r\nDrive=g\r\nExtra=1\r\n"
                    "Room=old\r\n[Other]\r\nRoom=other\r\n");
    SaveSettings(drives_, "new", 'h');
    EXPECT_EQ(test::ReadText(IniFile()),
              "; kept\r\n[Fundamental setting]\r\nDrive=h\r\nExtra=1\r\n"
              "Room=new\r\n[Other]\r\nRoom=other\r\n");
}

TEST_F(SettingsTest, UnwritableFileNamesTheSettingsPath) {
    std::filesystem::create_directory(IniFile());  // a folder where the file should be
    try {
        SaveSettings(drives_, "C:\\GBRoom.exe", 'f');
        FAIL() << "the write should fail";
    } catch (const FileError& error) {
        EXPECT_EQ(SettingsWriteFailureText(error), SettingsWindowsPath(drives_) + " に書き込めません");
        EXPECT_EQ(error.path(), SettingsWindowsPath(drives_));
#ifndef _WIN32
        EXPECT_EQ(error.path(), "C:\\Corvina\\Corvina.ini");
#endif
    }
}

TEST_F(SettingsTest, LineBreakInThePathIsRefusedWithoutWriting) {
    SaveSettings(drives_, "before", 'f');
    const std::string before = test::ReadText(IniFile());
    EXPECT_THROW(SaveSettings(drives_, "C:\\a\r\nDrive=z", 'g'), FileError);
    EXPECT_EQ(test::ReadText(IniFile()), before);
}

}  // namespace
}  // namespace corvina
