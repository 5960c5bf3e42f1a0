#include "viewers/gbp_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"
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
    GbpDeleteTest() : drives_(dir_ / "prefix") {
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

}  // namespace
}  // namespace corvina
