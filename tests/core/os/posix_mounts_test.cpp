#include "core/os/mounts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

// A mountinfo line; blanks in the mount point are written as the kernel writes them.
std::string Line(const std::string& device, const std::string& root, const fs::path& mountPoint,
                 const std::string& type, const std::string& source = "/dev/sdb1") {
    std::string point;
    for (char c : mountPoint.string()) point += c == ' ' ? std::string("\\040") : std::string(1, c);
    return "40 27 " + device + " " + root + " " + point + " rw,relatime shared:5 - " + type + " " +
           source + " rw\n";
}

TEST(MountTable, ParsesFieldsEscapesAndOptionalFields) {
    const std::vector<MountEntry> entries = ParseMountTable(
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "61 27 8:17 / /media/u/GIGA\\040BEAT rw shared:1 master:2 - vfat /dev/sdb1 rw\n"
        "62 27 8:2 /home/u/a\\011b /mnt/back\\134slash\\012x rw - ext4 /dev/sda2 rw\n"
        "63 27 0:50 / /mnt/odd\\9\\400 rw - tmpfs\n"
        "too few fields\n"
        "64 27 0:51 / /mnt/nodash rw shared:3 ext4 /dev/sdc1 rw\n"
        "65 27 0:52 / relative rw - ext4 /dev/sdc1 rw\n"
        "\n"
        "66 27 0:53 / /mnt/last rw - 9p server");
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[1].mountPoint, "/media/u/GIGA BEAT");
    EXPECT_EQ(entries[1].fsType, "vfat");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
    EXPECT_EQ(entries[1].device, "8:17");
    EXPECT_EQ(entries[2].root, "/home/u/a\tb");
    EXPECT_EQ(entries[2].mountPoint, "/mnt/back\\slash\nx");
    EXPECT_EQ(entries[3].mountPoint, "/mnt/odd\\9\\400");  // not escapes: kept as written
    EXPECT_EQ(entries[3].source, "");
    EXPECT_EQ(entries[4].mountPoint, "/mnt/last");  // no newline at the end
    EXPECT_EQ(entries[4].fsType, "9p");
}

TEST(MountTable, SkipsNetworkFuseAndKernelFileSystems) {
    const struct {
        const char* type;
        const char* source;
        bool skipped;
    } cases[] = {
        {"vfat", "/dev/sdb1", false},      {"exfat", "/dev/sdb1", false},
        {"fuseblk", "/dev/sdb1", false},   {"ext4", "/dev/sda2", false},
        {"tmpfs", "tmpfs", false},         {"overlay", "overlay", false},
        {"nfs4", "server:/export", true},  {"cifs", "//server/share", true},
        {"fuse.sshfs", "u@host:", true},   {"fuse", "gvfsd-fuse", true},
        {"autofs", "systemd-1", true},     {"proc", "proc", true},
        {"squashfs", "/dev/loop3", true},  {"unknownfs", "server:/export", true},
        {"unknownfs", "//server/x", true}, {"ext4", "/dev/disk/by-id/a:/b", false},
    };
    for (const auto& c : cases) {
        const MountEntry entry{"0:1", "/", "/mnt/x", c.type, c.source};
        EXPECT_EQ(IsSkippedMount(entry), c.skipped) << c.type << " " << c.source;
    }
}

TEST(FindPlayerRoots, LooksOnlyAtTheRootOfVisibleLocalMountsInTableOrder) {
    test::TempDir dir;
    const fs::path first = dir / "media" / "u" / "GIGA BEAT";   // "gbsystem" in lower case
    const fs::path bound = dir / "mnt" / "bound";               // the same folder bound again
    const fs::path second = dir / "run" / "media" / "u" / "F";  // a link to the folder counts
    const fs::path empty = dir / "empty";
    const fs::path deep = dir / "deep";        // GBSYSTEM one level below the root
    const fs::path notFolder = dir / "file";   // GBSYSTEM is a file
    const fs::path network = dir / "network";  // holds GBSYSTEM, but on a server
    const fs::path hidden = dir / "hidden";    // covered by a later network mount
    for (const fs::path& folder :
         {first / "gbsystem", bound / "GBSYSTEM", second / "real", empty, deep / "sub" / "GBSYSTEM",
          notFolder, network / "GBSYSTEM", hidden / "GBSYSTEM"})
        fs::create_directories(folder);
    fs::create_directory_symlink(second / "real", second / "GbSystem");
    test::WriteText(notFolder / "GBSYSTEM", "");

    const std::string table =
        Line("254:0", "/", "/", "ext4") + Line("0:9", "/", dir / "missing", "vfat") +
        Line("0:10", "/", network, "nfs4", "server:/export") + Line("8:17", "/", first, "vfat") +
        Line("0:11", "/", empty, "ext4") + Line("0:12", "/", deep, "ext4") +
        Line("0:13", "/", notFolder, "vfat") + Line("8:17", "/", bound, "vfat") +
        Line("0:14", "/", hidden, "vfat") + Line("0:15", "/", hidden, "cifs", "//server/share") +
        Line("8:2", "/home/u/player", second, "ext4");
    EXPECT_EQ(FindPlayerRoots(table), (std::vector<fs::path>{first, second}));
    EXPECT_TRUE(FindPlayerRoots("").empty());
}

// A drive map prefix whose dosdevices folder holds what each case sets up, and two players.
class LinkPlayerDriveTest : public ::testing::Test {
protected:
    LinkPlayerDriveTest() {
        fs::create_directories(devices_);
        fs::create_directories(player_ / "GBSYSTEM");
        fs::create_directories(other_ / "GBSYSTEM");
        fs::create_directories(folder_);
        table_ = Line("8:17", "/", player_, "vfat") + Line("8:33", "/", other_, "vfat");
    }

    test::TempDir dir_;
    fs::path devices_ = dir_ / "prefix" / "dosdevices";
    fs::path player_ = dir_ / "media" / "PLAYER 1";
    fs::path other_ = dir_ / "media" / "PLAYER 2";
    fs::path folder_ = dir_ / "music";  // a live folder that holds no player
    std::string table_;
};

TEST_F(LinkPlayerDriveTest, LinksAnUnmappedOrDeadLetterToTheFirstPlayer) {
    const struct {
        const char* existingLink;  // made before the call, or nullptr
        const char* target;        // what it points to
        char letter;
        const char* linkAfter;  // the link that must lead to the player afterwards
    } cases[] = {
        {nullptr, "", 'f', "f:"},
        {nullptr, "", 'F', "f:"},
        {"f:", "../gone", 'f', "f:"},
        {"F:", "/nowhere/at/all", 'f', "F:"},
    };
    for (const auto& c : cases) {
        fs::remove_all(devices_);
        fs::create_directories(devices_);
        if (c.existingLink != nullptr)
            fs::create_directory_symlink(c.target, devices_ / c.existingLink);
        const PlayerLinkResult result = LinkPlayerDrive(dir_ / "prefix", c.letter, table_);
        EXPECT_EQ(result.outcome, PlayerLink::kLinked) << c.linkAfter << " " << result.message;
        EXPECT_EQ(result.folder, player_);
        EXPECT_EQ(fs::read_symlink(devices_ / c.linkAfter), player_) << c.linkAfter;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(devices_))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{c.linkAfter}) << "no leftovers";
    }
}

TEST_F(LinkPlayerDriveTest, NeverChangesALiveLetterOrAnythingButALink) {
    fs::create_directory_symlink(folder_, devices_ / "f:");
    fs::create_directory(devices_ / "g:");  // a plain folder serves as a drive
    test::WriteText(devices_ / "h:", "not a link");
    fs::create_directory_symlink(folder_, devices_ / "J:");

    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", 'f', table_).outcome, PlayerLink::kLive);
    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", 'G', table_).outcome, PlayerLink::kLive);
    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", 'j', table_).outcome, PlayerLink::kLive);
    const PlayerLinkResult file = LinkPlayerDrive(dir_ / "prefix", 'h', table_);
    EXPECT_EQ(file.outcome, PlayerLink::kFailed);
    EXPECT_NE(file.message.find("h:"), std::string::npos) << file.message;
    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", '\0', table_).outcome, PlayerLink::kFailed);
    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", 'k', "").outcome, PlayerLink::kNoPlayer);
    // A mount table handed over by a reader is read only for a letter that leads nowhere.
    int reads = 0;
    const MountTableReader reader = [&] {
        ++reads;
        return std::string();
    };
    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", 'f', reader).outcome, PlayerLink::kLive);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(LinkPlayerDrive(dir_ / "prefix", 'k', reader).outcome, PlayerLink::kNoPlayer);
    EXPECT_EQ(reads, 1);

    EXPECT_EQ(fs::read_symlink(devices_ / "f:"), folder_);
    EXPECT_EQ(fs::read_symlink(devices_ / "J:"), folder_);
    EXPECT_EQ(test::ReadText(devices_ / "h:"), "not a link");
    EXPECT_FALSE(fs::exists(fs::symlink_status(devices_ / "k:")));
}

TEST(ReadMountTable, ReadsTheSystemTableAndReportsAMissingFile) {
    const std::optional<std::string> own = ReadMountTable();
    ASSERT_TRUE(own.has_value());
    EXPECT_FALSE(ParseMountTable(*own).empty());
    EXPECT_FALSE(ReadMountTable("/nonexistent/mountinfo").has_value());
    EXPECT_FALSE(ReadMountTable("/").has_value());
}

}  // namespace
}  // namespace corvina
