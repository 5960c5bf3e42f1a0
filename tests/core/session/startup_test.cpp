#include "core/session/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/errors.h"
#include "core/formats/player.h"
#include "core/session/settings.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

class StartupTest : public ::testing::Test {
protected:
    StartupTest() : drives_(dir_ / "prefix") { drives_.CreateLayout(); }

    // Maps `letter` to a fresh folder and returns it.
    std::filesystem::path MapDrive(char letter) {
        const std::filesystem::path folder = dir_ / (std::string("drive_") + letter);
        std::filesystem::create_directories(folder);
        std::filesystem::create_directory_symlink(
            folder, drives_.prefix() / "dosdevices" / (std::string(1, letter) + ":"));
        return folder;
    }

    test::TempDir dir_;
    DriveMap drives_;
};

TEST_F(StartupTest, OnlyTheFirstCharacterOfTheDriveCounts) {
    EXPECT_EQ(DeviceLetter("f"), 'f');
    EXPECT_EQ(DeviceLetter("G:\\music"), 'G');
    EXPECT_EQ(DeviceLetter(""), '\0');
    // Paths on the player's drive are shown with the letter in upper case, as the lists show it.
    EXPECT_EQ(DeviceRootPath('f'), "F:\\");
    EXPECT_EQ(JacketFolderPath('f'), "F:\\GBSYSTEM\\IMAGE");
    EXPECT_EQ(DeviceFolderPath('G'), "G:\\GBSYSTEM");
}

TEST_F(StartupTest, PlayerIsPresentWhenItsSystemFolderExistsInAnyCase) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    const auto player = MapDrive('f');
    EXPECT_FALSE(IsDevicePresent(drives_, "f"));
    std::filesystem::create_directory(player / "gbsystem");
    EXPECT_TRUE(IsDevicePresent(drives_, "f"));
    EXPECT_TRUE(IsDevicePresent(drives_, "F"));
    EXPECT_TRUE(IsDevicePresent(drives_, "f:\\anything"));
}

TEST_F(StartupTest, FileNamedLikeTheSystemFolderDoesNotCount) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    const auto player = MapDrive('f');
    test::WriteText(player / "GBSYSTEM", "not a folder");
    EXPECT_FALSE(IsDevicePresent(drives_, "f"));
    const auto inPlayer = [&](std::string_view name) { return player / std::string(name); };
    EXPECT_FALSE(HoldsDeviceFolder(inPlayer));
    std::filesystem::remove(player / "GBSYSTEM");
    std::filesystem::create_directory(player / "GBSYSTEM");
    EXPECT_TRUE(HoldsDeviceFolder(inPlayer));
    // A root that cannot be resolved holds no player.
    EXPECT_FALSE(HoldsDeviceFolder([](std::string_view name) -> std::filesystem::path {
        throw FileError("ドライブがありません", std::string(name), "");
    }));
}

TEST_F(StartupTest, EmptyOrUnmappedDriveNeverPasses) {
#ifdef _WIN32
    // The drives are the system's own: a test makes no GBSYSTEM at a drive's root, and looks for
    // the player on a letter no drive has.
    char unmapped = '\0';
    for (char letter = 'z'; letter >= 'd' && unmapped == '\0'; --letter)
        if (!drives_.DriveRoot(letter)) unmapped = letter;
    ASSERT_NE(unmapped, '\0') << "every drive letter is taken";
    const std::string unmappedDrive(1, unmapped);
#else
    std::filesystem::create_directories(drives_.prefix() / "drive_c" / "GBSYSTEM");
    EXPECT_TRUE(IsDevicePresent(drives_, "c"));
    const std::string unmappedDrive = "q";
#endif
    EXPECT_FALSE(IsDevicePresent(drives_, ""));
    EXPECT_FALSE(IsDevicePresent(drives_, unmappedDrive));
    EXPECT_FALSE(IsDevicePresent(drives_, unmappedDrive + ":\\GBSYSTEM"));
    EXPECT_FALSE(IsDevicePresent(drives_, "\\"));
}

TEST_F(StartupTest, PlanWithoutSettingsLooksOnDriveF) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    std::filesystem::create_directories(MapDrive('f') / "GBSYSTEM");
    const Settings settings = LoadSettings(drives_);
    EXPECT_EQ(settings.roomPath, "");
    EXPECT_EQ(settings.deviceDrive, "f");
    const StartupPlan plan = PlanStartup(drives_, settings.deviceDrive);
    EXPECT_EQ(plan.deviceLetter, 'f');
    EXPECT_TRUE(plan.devicePresent);
    EXPECT_EQ(plan.gbpFolder, "F:\\GBSYSTEM\\IMAGE");
}

TEST_F(StartupTest, PlanUsesTheLetterOfALongerDriveText) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    std::filesystem::create_directories(MapDrive('g') / "GBSYSTEM");
    const StartupPlan plan = PlanStartup(drives_, "G:\\music");
    EXPECT_EQ(plan.deviceLetter, 'G');
    EXPECT_TRUE(plan.devicePresent);
    EXPECT_EQ(plan.gbpFolder, "G:\\GBSYSTEM\\IMAGE");
}

TEST_F(StartupTest, PlanWithAnEmptyDriveFindsNoPlayer) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    std::filesystem::create_directories(MapDrive('f') / "GBSYSTEM");
    const StartupPlan plan = PlanStartup(drives_, "");
    EXPECT_EQ(plan.deviceLetter, '\0');
    EXPECT_FALSE(plan.devicePresent);
    EXPECT_EQ(plan.gbpFolder, "");
}

TEST_F(StartupTest, StartFolderIsTheProgramFolderOrDriveCRoot) {
#ifdef _WIN32
    // The executable's folder, which the prefix is, and the root of its drive.
    const auto folder = drives_.prefix();
    const std::string shown = FolderText(folder.string());
#else
    const auto folder = drives_.prefix() / "drive_c" / "Corvina";
    const std::string shown = "C:\\Corvina";
#endif
    EXPECT_EQ(StartFolder(drives_, {}), shown);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(StartFolder(drives_, {}), shown.substr(0, 3));
}

TEST_F(StartupTest, StartFolderIsTheCurrentFolderWhenADriveHoldsIt) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    const auto player = MapDrive('f');
    std::filesystem::create_directories(player / "MUSIC");
    EXPECT_EQ(StartFolder(drives_, player / "MUSIC"), "F:\\MUSIC");
    EXPECT_EQ(StartFolder(drives_, player), "F:\\");
    EXPECT_EQ(StartFolder(drives_, dir_ / "elsewhere"), drives_.ProgramFolder());
}

}  // namespace
}  // namespace corvina
