#include "core/os/folder_lists.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

using Names = std::vector<std::string>;

// Drive F: mapped to a folder "player" with files and folders of every kind a list tells apart.
class FolderListsTest : public ::testing::Test {
protected:
    FolderListsTest() : map_(dir_ / "prefix") {}
    void SetUp() override {
        CORVINA_REQUIRE_PREFIX_DRIVES();
        map_.CreateLayout();
        root_ = dir_ / "player";
        fs::create_directories(root_ / "MUSIC" / "JPOP");
        fs::create_directories(root_ / "Alpha.sat");
        fs::create_directories(root_ / ".hidden");
        for (const char* name : {"b.SAT", "A.sat", "C.SAT", ".secret.sat", "readme.txt"})
            test::WriteText(root_ / name, name);
        test::WriteText(root_ / "MUSIC" / "X.SAT", "x");
        fs::create_directory_symlink(root_, map_.prefix() / "dosdevices" / "f:");
    }

    test::TempDir dir_;
    DriveMap map_;
    fs::path root_;
};

TEST_F(FolderListsTest, FileListFiltersByMaskAndAttributesInSortedOrder) {
    const ListedFolder root = FindListedFolder(map_.Snapshot(), "f:\\");
    EXPECT_EQ(root.text, "F:\\");
    EXPECT_EQ(root.host, root_);
    EXPECT_EQ(FileListNames(root.host, "*.SAT", 0), (Names{"A.sat", "b.SAT", "C.SAT"}));
    EXPECT_EQ(FileListNames(root.host, "*.SAT", kListHidden | kListFolders),
              (Names{".secret.sat", "[Alpha.sat]", "A.sat", "b.SAT", "C.SAT"}));

    const ListedFolder music = FindListedFolder(map_.Snapshot(), "F:/music/jpop/../.");
    EXPECT_EQ(music.text, "F:\\MUSIC");
    EXPECT_EQ(FileListNames(music.host, "*.SAT", 0), Names{"X.SAT"});
    EXPECT_EQ(FolderTextOnDisk(map_.Snapshot(), "f:\\Music\\jpop\\"), "F:\\MUSIC\\JPOP");

    for (const char* missing : {"F:\\NOWHERE", "F:\\A.sat", "Q:\\"})
        EXPECT_THROW(FindListedFolder(map_.Snapshot(), missing), FileError) << missing;
}

// One order for every list, folding case beyond ASCII: "ä" sorts with "Ä", full-width "ａ"
// with "Ａ", and names that differ only in case keep their byte order.
TEST_F(FolderListsTest, NamesSortIgnoringCaseBeyondAscii) {
    const fs::path folder = dir_ / "sorted";
    fs::create_directory(folder);
    for (const char* name : {"Äb.sat", "äa.sat", "Ａz.sat", "ａy.sat", "b.sat", "B.sat"})
        test::WriteText(folder / PathFromUtf8(name), "x");
    fs::create_directory(folder / PathFromUtf8("Äc"));
    EXPECT_EQ(FileListNames(folder, "*.*", kListFolders),
              (Names{"[Äc]", "B.sat", "b.sat", "äa.sat", "Äb.sat", "ａy.sat", "Ａz.sat"}));
}

TEST_F(FolderListsTest, TreeShowsSubFoldersButHiddenOnes) {
    EXPECT_EQ(SubFolderNames(root_), (Names{"Alpha.sat", "MUSIC"}));
    EXPECT_EQ(SubFolderNames(root_ / "missing"), Names{});
}

TEST_F(FolderListsTest, DriveEntriesNameTheFolderTheDriveLeadsTo) {
    fs::create_directory_symlink(dir_ / "gone", map_.prefix() / "dosdevices" / "g:");
    const DriveSnapshot drives = map_.Snapshot();
    Names entries;
    for (const Drive& drive : drives.Drives()) entries.push_back(DriveEntryText(drives, drive));
    EXPECT_EQ(entries, (Names{"c: [drive_c]", "f: [player]", "g: [gone]"}));
}

}  // namespace
}  // namespace corvina
