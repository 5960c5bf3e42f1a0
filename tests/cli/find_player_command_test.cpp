#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/cli_runner.h"
#include "cli/commands.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina::cli {
namespace {

TEST(FindPlayerCommand, ListsThePlayersOfAMountTableOrSaysThereIsNone) {
#ifdef _WIN32
    GTEST_SKIP() << "mount tables are Linux's; on Windows the command looks at the drives";
#endif
    test::TempDir dir;
    fs::create_directories(dir / "media" / "GIGA BEAT" / "GBSYSTEM");
    const std::string point = (dir / "media").string() + "/GIGA\\040BEAT";
    test::WriteText(dir / "mountinfo",
                    "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
                    "61 27 8:17 / " +
                        point + " rw shared:1 - vfat /dev/sdb1 rw\n");
    test::WriteText(dir / "none", "27 1 254:0 / " + dir.path().string() + " rw - ext4 /dev/vda\n");

    Result result = RunCli({"find-player", (dir / "mountinfo").string()});
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, (dir / "media" / "GIGA BEAT").string() + "\n");

    result = RunCli({"find-player", (dir / "none").string()});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("GBSYSTEM"), std::string::npos) << result.err;

    result = RunCli({"find-player", (dir / "missing").string()});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_NE(result.err.find((dir / "missing").string()), std::string::npos) << result.err;

    EXPECT_EQ(RunCli({"find-player", "a", "b"}).status, kExitUsage);
    EXPECT_EQ(RunCli({"find-player", "--json"}).status, kExitUsage);
}

TEST(CommandLine, VersionIsOneLineForManualPageTools) {
    const Result version = RunCli({"--version"});
    EXPECT_EQ(version.status, kExitOk);
    EXPECT_EQ(version.err, "");
    ASSERT_TRUE(version.out.starts_with("corvina-cli ")) << version.out;
    EXPECT_TRUE(version.out[12] >= '0' && version.out[12] <= '9') << version.out;
    EXPECT_EQ(version.out.find('\n'), version.out.size() - 1) << version.out;
}

}  // namespace
}  // namespace corvina::cli
