#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/commands.h"
#include "core/formats/sat_tags.h"
#include "support/temp_dir.h"

namespace corvina::cli {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(UndoCommandTest, BatchThenUndoFromTheCommandLine) {
    TempDir dir;
    std::filesystem::create_directories(dir / "player" / "GBSYSTEM" / "IMAGE");
    std::vector<std::string> files;
    std::vector<Bytes> before;
    for (int i = 0; i < 3; ++i) {
        files.push_back((dir / "player" / ("T" + std::to_string(i) + ".SAT")).string());
        before.push_back(Bytes(1500, static_cast<std::uint8_t>(0x30 + i)));
        WriteBytes(files.back(), before.back());
    }
    const auto contents = [&] {
        std::vector<Bytes> all;
        for (const std::string& file : files) all.push_back(ReadBytes(file));
        return all;
    };
    const auto batch = [&] {
        std::vector<std::string> args = {"batch",    "--player", (dir / "player").string(),
                                         "--artist", "A",        "--album",
                                         "B",        "--genre",  "C",
                                         "--number"};
        args.insert(args.end(), files.begin(), files.end());
        return RunCli(dir / "prefix", args);
    };
    ASSERT_EQ(batch().status, kExitOk);
    const std::vector<Bytes> after = contents();
    ASSERT_NE(after, before);

    Result r = RunCli(dir / "prefix", {"undo", "--dry-run"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("3 個のファイルを元に戻します。"), std::string::npos) << r.out;
    EXPECT_EQ(contents(), after);

    r = RunCli(dir / "prefix", {"undo"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(contents(), before);
    r = RunCli(dir / "prefix", {"undo"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "元に戻せる一括書き換えはありません。\n");

    // A file edited after the batch is named on stderr, the status is 1, the rest come back.
    ASSERT_EQ(batch().status, kExitOk);
    RewriteTagBlock(files[1], {TagTexts{"X", "Y", "Z"}, std::nullopt, std::nullopt});
    const Bytes edited = ReadBytes(files[1]);
    r = RunCli(dir / "prefix", {"undo"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find(files[1]), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(files[0]), before[0]);
    EXPECT_EQ(ReadBytes(files[1]), edited);
    EXPECT_EQ(ReadBytes(files[2]), before[2]);

    EXPECT_EQ(RunCli(dir / "prefix", {"undo", "--now"}).status, kExitUsage);
}

}  // namespace
}  // namespace corvina::cli
