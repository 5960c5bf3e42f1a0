#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/commands.h"
#include "core/formats/gbp.h"
#include "core/formats/sat_tags.h"
#include "support/temp_dir.h"

namespace corvina::cli {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

Bytes SatFile(std::uint8_t fill = 0x55) { return Bytes(1024, fill); }

// A path as a cell or a JSON string shows it: its backslashes (Windows' separators) doubled.
std::string Escaped(const std::string& path) {
    std::string out;
    for (const char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

class TagsCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& name : {"a.SAT", "b.SAT", "c.SAT"}) {
            paths_.push_back((dir_ / name).string());
            WriteBytes(paths_.back(), SatFile(0));
        }
    }
    TempDir dir_;
    std::vector<std::string> paths_;
};

TEST_F(TagsCommandTest, ListsTabSeparatedWithEscapes) {
    RewriteTagBlock(paths_[0], {TagTexts{"A\tB", "x\\y", "ロック\n"}, 7, "0123456789ABCDEF.GBP"});
    const Result r = RunCli({"tags", paths_[0], paths_[1]});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Escaped(paths_[0]) + "\t\tA\\tB\tx\\\\y\tロック\\n\t7\t0123456789ABCDEF.GBP\n" +
                         Escaped(paths_[1]) + "\t\t\t\t\t\t\n");
}

TEST_F(TagsCommandTest, JsonArrayAndUnreadableFiles) {
    RewriteTagBlock(paths_[0], {TagTexts{"\"Q\"", "a\\b", "ジャズ"}, 255, std::nullopt});
    const std::string missing = (dir_ / "missing.SAT").string();
    const Result r = RunCli({"tags", "--json", paths_[0], missing, paths_[1]});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "[\n{\"file\":\"" + Escaped(paths_[0]) +
                         "\",\"title\":\"\",\"artist\":\"\\\"Q\\\"\",\"album\":\"a\\\\b\","
                         "\"genre\":\"ジャズ\",\"track\":\"255\",\"gbp\":\"\"},\n"
                         "{\"file\":\"" +
                         Escaped(paths_[1]) +
                         "\",\"title\":\"\",\"artist\":\"\",\"album\":\"\",\"genre\":\"\","
                         "\"track\":\"\",\"gbp\":\"\"}\n]\n");
    EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;

#ifndef _WIN32  // Windows' file names are UTF-16 text and hold no tab
    // A host file name that is not UTF-8 still gives valid JSON.
    const std::string odd = (dir_ / "\xFF\t.SAT").string();
    WriteBytes(odd, SatFile(0));
    const Result oddResult = RunCli({"tags", "--json", odd});
    EXPECT_NE(oddResult.out.find("\\ufffd\\t.SAT\","), std::string::npos) << oddResult.out;
#endif

    const Result none = RunCli({"tags", "--json", missing});
    EXPECT_EQ(none.status, kExitFailure);
    EXPECT_EQ(none.out, "[]\n");
}

TEST_F(TagsCommandTest, TagsUsageErrors) {
    EXPECT_EQ(RunCli({"tags"}).status, kExitUsage);
    EXPECT_EQ(RunCli({"tags", "--json"}).status, kExitUsage);
    EXPECT_EQ(RunCli({"tags", "--xml", paths_[0]}).status, kExitUsage);
}

TEST_F(TagsCommandTest, RewriteNumbersFilesInOrder) {
    const Result r =
        RunCli({"rewrite", "--artist", "Ar", "--album", "Al", "--genre", "Ge", "--number",
                "--jacket", "ZZZZZZZZZZZZZZZZ.GBP", paths_[2], paths_[0], paths_[1]});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadTagBlock(paths_[2]),
              (TagBlock{"", "Ar", "Al", "1", "ZZZZZZZZZZZZZZZZ.GBP", "Ge"}));
    EXPECT_EQ(ReadTagBlock(paths_[0]).track, "2");
    EXPECT_EQ(ReadTagBlock(paths_[1]).track, "3");

    ASSERT_EQ(RunCli({"rewrite", "--track", "9", paths_[0], paths_[1]}).status, kExitOk);
    EXPECT_EQ(ReadTagBlock(paths_[0]).track, "9");
    EXPECT_EQ(ReadTagBlock(paths_[1]),
              (TagBlock{"", "Ar", "Al", "9", "ZZZZZZZZZZZZZZZZ.GBP", "Ge"}));
}

TEST_F(TagsCommandTest, RewriteWritesWindowsBestFit) {
    const Result r = RunCli(
        {"rewrite", "--artist", "Björk", "--album", "〜Beyoncé", "--genre", "Ąę", paths_[0]});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const TagBlock tags = ReadTagBlock(paths_[0]);
    EXPECT_EQ(tags.artist, "Bjork");
    EXPECT_EQ(tags.album, "～Beyonce");  // the wave dash as 0x8160, read back as U+FF5E
    EXPECT_EQ(tags.genre, "??");         // no best fit
}

TEST_F(TagsCommandTest, RewriteStopsAtTheFirstFailure) {
    WriteBytes(paths_[1], Bytes(100, 0x55));  // too short to hold the tag block
    const Result r = RunCli({"rewrite", "--track", "4", paths_[0], paths_[1], paths_[2]});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find(paths_[1]), std::string::npos) << r.err;
    EXPECT_EQ(ReadTagBlock(paths_[0]).track, "4");
    EXPECT_EQ(ReadBytes(paths_[1]), Bytes(100, 0x55));
    EXPECT_EQ(ReadBytes(paths_[2]), SatFile(0));
}

TEST_F(TagsCommandTest, RewriteUsageErrorsTouchNothing) {
    const std::string& f = paths_[0];
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"rewrite", f},                                   // nothing to do
             {"rewrite", "--track", "3"},                      // no file
             {"rewrite", "--artist", "A", "--album", "B", f},  // genre missing
             {"rewrite", "--track", "0", f},
             {"rewrite", "--track", "256", f},
             {"rewrite", "--track", "1x", f},
             {"rewrite", "--track", "2", "--number", f},
             {"rewrite", "--track", "2", "--track", "3", f},
             {"rewrite", "--jacket", "0123456789abcdef.GBP", f},
             {"rewrite", "--jacket"},
             {"rewrite", "--colour", "red", f},
         }) {
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, kExitUsage) << args.size() << " " << args[1];
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    // --number cannot give more than 255 files a track.
    std::vector<std::string> many = {"rewrite", "--number"};
    many.insert(many.end(), 256, f);
    EXPECT_EQ(RunCli(many).status, kExitUsage);
    EXPECT_EQ(ReadBytes(f), SatFile(0));
}

TEST(GbpToBmpCommand, WritesA24BitBitmap) {
    TempDir dir;
    Picture15 picture(75, 75);
    picture.set(0, 0, 0x7C00);    // top left red
    picture.set(74, 74, 0x001F);  // bottom right blue
    WriteBytes(dir / "j.GBP", WriteJacketGbp(picture));

    const std::string bmp = (dir / "j.bmp").string();
    const Result r = RunCli({"gbp-to-bmp", (dir / "j.GBP").string(), bmp});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const Bytes bytes = ReadBytes(bmp);
    const std::size_t stride = 228;  // 75 × 3 bytes, padded to four
    ASSERT_EQ(bytes.size(), 54 + stride * 75);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[28], 24);  // bits per pixel
    // Bottom-up rows of blue, green, red: the last row in the file is the top row.
    const std::size_t topLeft = 54 + stride * 74;
    EXPECT_EQ((Bytes{bytes[topLeft], bytes[topLeft + 1], bytes[topLeft + 2]}), (Bytes{0, 0, 255}));
    const std::size_t bottomRight = 54 + 74 * 3;
    EXPECT_EQ((Bytes{bytes[bottomRight], bytes[bottomRight + 1], bytes[bottomRight + 2]}),
              (Bytes{255, 0, 0}));

    ASSERT_EQ(RunCli({"gbp-to-bmp", (dir / "j.GBP").string(), bmp, "--size", "4x2"}).status,
              kExitOk);
    EXPECT_EQ(ReadBytes(bmp).size(), 54u + 12 * 2);
}

TEST(GbpToBmpCommand, Failures) {
    TempDir dir;
    const std::string gbp = (dir / "j.GBP").string();
    const std::string bmp = (dir / "out.bmp").string();
    EXPECT_EQ(RunCli({"gbp-to-bmp", gbp, bmp}).status, kExitFailure);  // no such GBP file
    EXPECT_FALSE(std::filesystem::exists(bmp));
    WriteBytes(gbp, Bytes(16, 0));
    EXPECT_EQ(RunCli({"gbp-to-bmp", gbp}).status, kExitUsage);
    EXPECT_EQ(RunCli({"gbp-to-bmp", gbp, bmp, "--size", "0x5"}).status, kExitUsage);
    EXPECT_EQ(RunCli({"gbp-to-bmp", gbp, bmp, "--size", "75"}).status, kExitUsage);
    EXPECT_EQ(RunCli({"gbp-to-bmp", gbp, bmp, "--size", "99999x2"}).status, kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(bmp));
}

}  // namespace
}  // namespace corvina::cli
