#include "core/viewers/gbp_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using test::WriteBytes;

class RecordedMessages : public Messages {
public:
    bool Show(MessageKind kind, std::string_view text) override {
        shown.push_back({kind, std::string(text)});
        return kind == MessageKind::Confirmation && yes;
    }
    struct Box {
        MessageKind kind;
        std::string text;
    };
    std::vector<Box> shown;
    bool yes = true;
};

TEST(GbpViewTest, KindAndPictureSizeFollowTheFileSize) {
    test::TempDir dir;
    struct Case {
        std::size_t size;
        const char* kind;
        int width;
        int height;
    };
    for (const Case& c :
         {Case{16, "Jacket GBP File", 75, 75}, Case{11266, "Jacket GBP File", 75, 75},
          Case{18000, "Jacket GBP File", 75, 75}, Case{18001, "Wallpaper GBP File", 240, 320},
          Case{153608, "Wallpaper GBP File", 240, 320}}) {
        SCOPED_TRACE(c.size);
        std::vector<std::uint8_t> bytes(c.size, 0);
        bytes[c.size - 1] = 0xFE;  // in the last pixel read of an 18,001-byte file
        WriteBytes(dir / "x.gbp", bytes);
        const GbpShown shown = ShowGbpFile(dir / "x.gbp");
        EXPECT_EQ(shown.info.texts.name, "x.gbp");
        EXPECT_EQ(shown.info.texts.size, std::to_string(c.size) + " Byte");
        EXPECT_EQ(shown.info.kindText, c.kind);
        EXPECT_EQ(shown.picture.width(), c.width);
        EXPECT_EQ(shown.picture.height(), c.height);
    }
    EXPECT_THROW(ShowGbpFile(dir / "missing.gbp"), FileError);
}

TEST(GbpViewTest, ItemPathsAlwaysJoinWithABackslash) {
    EXPECT_EQ(GbpItemPath("F:\\GBSYSTEM\\IMAGE", "A.GBP"), "F:\\GBSYSTEM\\IMAGE\\A.GBP");
    EXPECT_EQ(GbpItemPath("F:\\", "GBWALL.GBP"), "F:\\\\GBWALL.GBP");
}

class GbpDeleteTest : public ::testing::Test {
protected:
    GbpDeleteTest() : drives_(dir_ / "prefix") {}
    void SetUp() override {
        CORVINA_REQUIRE_PREFIX_DRIVES();
        drives_.CreateLayout();
        fs::create_directories(dir_ / "f");
        fs::create_directory_symlink(dir_ / "f", drives_.prefix() / "dosdevices" / "f:");
        for (const char* name : {"A.GBP", "B.GBP", "C.GBP"}) WriteBytes(dir_ / "f" / name, {1});
        fs::create_directory(dir_ / "f" / "DIR.GBP");
    }
    bool Delete(std::vector<std::string> names) {
        return DeleteGbpFiles(drives_, messages_, "F:\\", names, [this] {
            ++rereads_;
            remaining_.clear();
            for (const char* name : {"A.GBP", "B.GBP", "C.GBP"})
                if (fs::exists(dir_ / "f" / name)) remaining_.push_back(name);
            EXPECT_EQ(messages_.shown.size(), 1u) << "the error box comes after the re-read";
        });
    }

    test::TempDir dir_;
    DriveMap drives_;
    RecordedMessages messages_;
    int rereads_ = 0;
    std::vector<std::string> remaining_;
};

TEST_F(GbpDeleteTest, NoDeletesNothingAndDoesNotReadTheListAgain) {
    messages_.yes = false;
    EXPECT_FALSE(Delete({"A.GBP"}));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages_.shown[0].text, "選択したファイルを削除します。\rよろしいですか？");
    EXPECT_TRUE(fs::exists(dir_ / "f" / "A.GBP"));
    EXPECT_EQ(rereads_, 0);
}

TEST_F(GbpDeleteTest, YesDeletesTheSelectedAndNamesEveryFileThatStayed) {
    EXPECT_TRUE(Delete({}));  // nothing selected: asks, deletes nothing, reads the list again
    EXPECT_EQ(rereads_, 1);
    EXPECT_EQ(messages_.shown.size(), 1u);

    messages_.shown.clear();
    EXPECT_TRUE(Delete({"A.GBP", "GONE.GBP", "C.GBP", "DIR.GBP"}));
    EXPECT_EQ(rereads_, 2);
    EXPECT_EQ(remaining_, std::vector<std::string>{"B.GBP"});
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[1].kind, MessageKind::Error);
    const std::string& text = messages_.shown[1].text;
    EXPECT_EQ(text.find("A.GBP"), std::string::npos);
    EXPECT_EQ(text.find("C.GBP"), std::string::npos);
    EXPECT_NE(text.find("\rGONE.GBP ("), std::string::npos) << text;
    EXPECT_NE(text.find("\rDIR.GBP ("), std::string::npos) << text;
    EXPECT_LT(text.find("GONE.GBP"), text.find("DIR.GBP")) << "in list order";
}

// A file linked out of the drive, or in a folder linked out of it: the link is refused and
// named, nothing outside is deleted, and the other files go as asked.
TEST_F(GbpDeleteTest, LinksLeadingOutOfTheDriveAreRefused) {
    const fs::path outside = dir_ / "outside";
    fs::create_directories(outside);
    WriteBytes(outside / "A.GBP", {2});
    fs::create_directory_symlink(outside, dir_ / "f" / "LINKED");
    fs::create_symlink(outside / "A.GBP", dir_ / "f" / "L.GBP");
    const std::string refused = "ドライブの外を指すリンクには書き込みません: ";
    const fs::path real = fs::canonical(outside);

    EXPECT_TRUE(
        DeleteGbpFiles(drives_, messages_, "F:\\LINKED", std::vector<std::string>{"A.GBP"}, [] {}));
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[1].text,
              DeleteFailureText(std::vector<DeleteFailure>{{"A.GBP", refused + real.string()}}));

    messages_.shown.clear();
    EXPECT_TRUE(Delete({"L.GBP", "B.GBP"}));
    EXPECT_EQ(remaining_, (std::vector<std::string>{"A.GBP", "C.GBP"}));
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[1].text, DeleteFailureText(std::vector<DeleteFailure>{
                                           {"L.GBP", refused + (real / "A.GBP").string()}}));
    EXPECT_TRUE(fs::exists(outside / "A.GBP"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "f" / "L.GBP"));
}

}  // namespace
}  // namespace corvina
