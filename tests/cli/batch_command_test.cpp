#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "core/formats/gbp.h"
#include "core/formats/sat_tags.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace corvina::cli {
namespace {

namespace fs = std::filesystem;
const std::string kPicture = std::string(CORVINA_SOURCE_DIR) + "/resources/NoImage.bmp";

class BatchCommandTest : public ::testing::Test {
protected:
    BatchCommandTest() {
        fs::create_directories(player_ / "GBSYSTEM");
        for (const char* name : {"B.SAT", "A.SAT"}) {
            test::WriteBytes(player_ / name, std::vector<std::uint8_t>(1024, 7));
            files_.push_back((player_ / name).string());
        }
    }
    Result Batch(std::vector<std::string> args) {
        args.insert(args.begin(), {"batch", "--player", player_.string()});
        args.insert(args.end(), files_.begin(), files_.end());
        return RunCli(dir_ / "prefix", args);
    }

    test::TempDir dir_;
    fs::path player_ = dir_ / "player";
    std::vector<std::string> files_;
};

TEST_F(BatchCommandTest, PrintsTheBoxesAndWritesInTheOrderGiven) {
    const Result result = Batch({"--artist", "星野", "--album", "春", "--genre", "J-POP",
                                 "--number", "--picture", kPicture});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    // The IMAGE folder's box, then the summary, each line of a box on its own line.
    EXPECT_EQ(result.out.rfind("gigabeatFにIMAGEフォルダが存在しなかったので\n自動生成しました。\n"
                               "2個のファイルに適用しますた。\n変換ジャケット画像ファイル名  ",
                               0),
              0u)
        << result.out;
    const std::string jacket = result.out.substr(result.out.size() - 21, 20);
    EXPECT_TRUE(IsJacketFileName(jacket)) << jacket;
    EXPECT_EQ(fs::file_size(player_ / "GBSYSTEM" / "IMAGE" / jacket), 11266u);
    EXPECT_EQ(ReadTagBlock(files_[0]).track, "1");  // B.SAT, as given first
    EXPECT_EQ(ReadTagBlock(files_[1]).track, "2");
    EXPECT_EQ(ReadTagBlock(files_[1]).artist, "星野");
    EXPECT_EQ(ReadTagBlock(files_[1]).gbpFileName, jacket);
}

// The journal goes to the program's folder whatever characters its name holds (on Windows the
// executable's folder, given as UTF-8 text), and undo finds it there.
TEST_F(BatchCommandTest, AProgramFolderNamedInJapaneseHoldsTheUndoFolder) {
    const fs::path prefix = dir_.path() / fs::path(u8"プログラム");
    const std::u8string text = prefix.u8string();
    const Environment env{std::string(text.begin(), text.end())};
#ifdef _WIN32
    const fs::path undoFolder = prefix / "Undo";
    fs::create_directories(prefix);
#else
    const fs::path undoFolder = prefix / "drive_c" / "Corvina" / "Undo";
#endif
    const auto run = [&](std::vector<std::string> args) {
        std::ostringstream out, err;
        const int status = RunCommandLine(args, env, {out, err});
        EXPECT_EQ(status, kExitOk) << err.str();
    };
    const std::vector<std::uint8_t> before = test::ReadBytes(files_[0]);
    run({"batch", "--player", player_.string(), "--artist", "あ", "--album", "い", "--genre",
         "う", files_[0]});
    EXPECT_EQ(ReadTagBlock(files_[0]).artist, "あ");
    ASSERT_TRUE(fs::is_directory(undoFolder));
    EXPECT_FALSE(fs::is_empty(undoFolder));
    run({"undo"});
    EXPECT_EQ(test::ReadBytes(files_[0]), before);
}

TEST_F(BatchCommandTest, ChecksBeforeAnyWriteAndFailuresExitOneWithTheFile) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;  // a part of what stderr says
    };
    const std::vector<Case> cases = {
        {{}, kExitUsage, "nothing to do"},
        {{"--number", "--picture", kPicture}, kExitUsage, "--number goes with the texts"},
        {{"--artist", "a"}, kExitUsage, "go together"},
        {{"--picture", (dir_ / "missing.bmp").string()}, kExitFailure, "missing.bmp"},
    };
    for (const Case& c : cases) {
        const Result result = Batch(c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(player_ / "GBSYSTEM" / "IMAGE")) << "nothing written by the checks";

    // A file missing, or outside the player by a link: refused before anything is written.
    const fs::path outside = dir_ / "outside.SAT";
    test::WriteBytes(outside, std::vector<std::uint8_t>(1024, 9));
    for (const bool link : {false, true}) {
        if (link && !test::WhyNoLinks(dir_.path()).empty()) continue;
        fs::remove(files_[1]);
        if (link) test::MakeLink(outside, files_[1]);
        const Result failed = Batch({"--artist", "a", "--album", "b", "--genre", "c"});
        EXPECT_EQ(failed.status, kExitFailure);
        EXPECT_NE(failed.err.find(files_[1]), std::string::npos) << failed.err;
        EXPECT_NE(failed.err.find("2 個のファイルはどれも書き換えていません"), std::string::npos)
            << failed.err;
        EXPECT_EQ(test::ReadBytes(files_[0]), std::vector<std::uint8_t>(1024, 7));
        EXPECT_EQ(test::ReadBytes(outside), std::vector<std::uint8_t>(1024, 9));
    }

    fs::remove_all(player_ / "GBSYSTEM");
    const Result absent = Batch({"--artist", "a", "--album", "b", "--genre", "c"});
    EXPECT_EQ(absent.status, kExitFailure);
    EXPECT_NE(absent.err.find("gigabeatFではありません"), std::string::npos) << absent.err;
}

}  // namespace
}  // namespace corvina::cli
