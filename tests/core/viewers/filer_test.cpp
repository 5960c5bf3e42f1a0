#include "core/viewers/filer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/sat_tags.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using test::WriteBytes;

// A SAT file with the given tags, written the way the batch run writes them; the title is put
// in by hand, since no rewrite touches it.
void WriteSat(const fs::path& path, const std::u16string& title, const TagRewrite& request) {
    std::vector<std::uint8_t> bytes(1024, 0);
    for (std::size_t k = 0; k < title.size() && 2 * k + 1 < kTextReadSize; ++k) {
        bytes[kTitleOffset + 2 * k] = static_cast<std::uint8_t>(title[k] & 0xFF);
        bytes[kTitleOffset + 2 * k + 1] = static_cast<std::uint8_t>(title[k] >> 8);
    }
    WriteBytes(path, bytes);
    RewriteTagBlock(path, request);
}

// Drive F: is a player with one jacket, drive G: a hard disk with copies of SAT files.
class FilerTest : public ::testing::Test {
protected:
    FilerTest() : drives_(dir_ / "prefix") {
        drives_.CreateLayout();
        for (char letter : {'f', 'g'}) {
            const fs::path root = dir_ / std::string(1, letter);
            fs::create_directories(root / "MUSIC");
            fs::create_directory_symlink(
                root, drives_.prefix() / "dosdevices" / (std::string(1, letter) + ":"));
        }
        fs::create_directories(dir_ / "f" / "GBSYSTEM" / "IMAGE");
        WriteBytes(dir_ / "f" / "GBSYSTEM" / "IMAGE" / "0123456789ABCDEF.GBP",
                   std::vector<std::uint8_t>(11266, 0));
    }

    test::TempDir dir_;
    DriveMap drives_;
};

TEST_F(FilerTest, ListingFillsARowPerNameAndLeavesUnreadableFilesEmpty) {
    const fs::path folder = dir_ / "f" / "MUSIC";
    const std::string fifty(50, 'x');
    WriteSat(folder / "A.SAT", u"Title A",
             {TagTexts{fifty + "yz", "Album", ""}, std::nullopt, "0123456789ABCDEF.GBP"});
    WriteSat(folder / "B.SAT", u"夕凪", {TagTexts{"歌手", "アルバム", "ロック"}, 12, std::nullopt});
    ASSERT_EQ(::mkfifo((folder / "C.SAT").c_str(), 0600), 0);  // cannot be opened for reading
    WriteBytes(folder / "D.SAT", {1, 2, 3});                   // too short: the tags read empty

    const std::vector<std::string> names = {"A.SAT", "B.SAT", "C.SAT", "D.SAT", "GONE.SAT"};
    const std::vector<TagRow> rows = ListTagRows(folder, names);
    const std::vector<TagRow> expected = {
        {"1", "A.SAT", "Title A", fifty, "Album", "", "", "0123456789ABCDEF.GBP"},
        {"2", "B.SAT", "夕凪", "歌手", "アルバム", "ロック", "12", ""},
        {},
        {"4", "D.SAT", "", "", "", "", "", ""},
        {},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(ListTagRows(folder, {}).empty());
}

TEST_F(FilerTest, DetailFollowsTheFirstRowAndTakesJacketsOnlyFromThePlayer) {
    WriteSat(dir_ / "f" / "ROOT.SAT", u"R", {TagTexts{"a", "b", "c"}, 3, std::nullopt});
    WriteSat(dir_ / "f" / "MUSIC" / "M.SAT", u"M", {TagTexts{"a", "b", "c"}, 3, std::nullopt});
    WriteSat(dir_ / "g" / "MUSIC" / "M.SAT", u"M", {TagTexts{"a", "b", "c"}, 3, std::nullopt});
    WriteBytes(dir_ / "f" / "MUSIC" / "0123456789ABCDEF.GBP", std::vector<std::uint8_t>(11266));
    const fs::path jacket = dir_ / "f" / "GBSYSTEM" / "IMAGE" / "0123456789ABCDEF.GBP";

    const auto row = [](std::string name, std::string gbp) {
        return TagRow{"1", std::move(name), "T", "Ar", "Al", "G", "7", std::move(gbp)};
    };
    struct Case {
        const char* what;
        std::string folder;
        TagRow first;
        TagRow chosen;
        std::string deviceDrive;
        bool shown;
        std::optional<std::string> fileName;
        std::optional<fs::path> jacket;
    };
    const std::string good = "0123456789ABCDEF.GBP";
    const std::vector<Case> cases = {
        {"sub-folder", "F:\\MUSIC", row("M.SAT", good), row("M.SAT", good), "f", true, "M.SAT",
         jacket},
        {"drive root", "F:\\", row("ROOT.SAT", good), row("ROOT.SAT", good), "F", true, "ROOT.SAT",
         jacket},
        {"copy on the hard disk", "G:\\MUSIC", row("M.SAT", ""), row("M.SAT", good), "f:\\x", true,
         "M.SAT", jacket},
        {"first row of another folder", "F:\\MUSIC", row("ROOT.SAT", good), row("M.SAT", good), "f",
         false, std::nullopt, std::nullopt},
        {"first row empty (file skipped)", "F:\\MUSIC", TagRow{}, row("M.SAT", good), "f", false,
         std::nullopt, std::nullopt},
        {"chosen row's file gone", "F:\\MUSIC", row("M.SAT", ""), row("GONE.SAT", good), "f", true,
         std::nullopt, jacket},
        {"no jacket named", "F:\\MUSIC", row("M.SAT", ""), row("M.SAT", ""), "f", true, "M.SAT",
         std::nullopt},
        {"jacket not on the player", "F:\\MUSIC", row("M.SAT", ""), row("M.SAT", "NONE.GBP"), "f",
         true, "M.SAT", std::nullopt},
        {"no player drive", "F:\\MUSIC", row("M.SAT", ""), row("M.SAT", good), "", true, "M.SAT",
         std::nullopt},
        {"unmapped player drive", "F:\\MUSIC", row("M.SAT", ""), row("M.SAT", good), "q", true,
         "M.SAT", std::nullopt},
        {"name climbing out of IMAGE", "F:\\MUSIC", row("M.SAT", ""),
         row("M.SAT", "..\\..\\MUSIC\\" + good), "f", true, "M.SAT", std::nullopt},
        {"name with slashes", "F:\\MUSIC", row("M.SAT", ""), row("M.SAT", "../../MUSIC/" + good),
         "f", true, "M.SAT", std::nullopt},
        {"name with a drive", "F:\\MUSIC", row("M.SAT", ""), row("M.SAT", "F:MUSIC\\" + good), "f",
         true, "M.SAT", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto detail = DetailOfRow(drives_, c.folder, c.first, c.chosen, c.deviceDrive);
        ASSERT_EQ(detail.has_value(), c.shown);
        if (!detail) continue;
        EXPECT_EQ(detail->edits, (std::array<std::string, 5>{"T", "Ar", "Al", "G", "7"}));
        EXPECT_EQ(detail->file ? std::optional(detail->file->name) : std::nullopt, c.fileName);
        if (detail->file) {
            EXPECT_EQ(detail->file->size, "1024 Byte");
        }
        EXPECT_EQ(detail->jacket, c.jacket);
        // Named as the lists show it, whatever the case of the drive setting.
        EXPECT_EQ(detail->jacketShown, c.jacket ? "F:\\GBSYSTEM\\IMAGE\\" + good : "");
    }
}

TEST(FileEntryTextTest, SizeWithoutSeparatorsAndTheStandardDateText) {
    DirEntry entry{"A.GBP", 153608, {2024, 3, 9, 0, 0, 0}, 0};
    EXPECT_EQ(TextsOfEntry(entry), (EntryTexts{"A.GBP", "2024/03/09", "153608 Byte"}));
    entry.lastWrite = {2024, 12, 31, 23, 5, 58};
    entry.size = 0;
    EXPECT_EQ(TextsOfEntry(entry), (EntryTexts{"A.GBP", "2024/12/31 23:05:58", "0 Byte"}));
}

}  // namespace
}  // namespace corvina
