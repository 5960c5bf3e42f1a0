#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/commands.h"
#include "core/os/drives.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina::cli {
namespace {

TEST(DrivesCommand, ListsEveryDriveWithItsHostFolder) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    test::TempDir dir;
    const fs::path prefix = dir / "prefix";
    // A prefix not used yet maps no drive, and listing it creates nothing.
    Result result = RunCli(prefix, {"drives"});
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(RunCli(prefix, {"path", "C:\\Corvina\\Corvina.ini"}).status, kExitFailure);
    EXPECT_FALSE(fs::exists(prefix));

    DriveMap(prefix).CreateLayout();
    result = RunCli(prefix, {"drives"});
    EXPECT_EQ(result.status, kExitOk) << result.err;
    const std::string driveC = "c: " + (prefix / "drive_c").string() + "\n";
    EXPECT_EQ(result.out, driveC);

    // A player that is not connected is still listed.
    fs::create_directory_symlink(dir / "media" / "GIGABEAT", prefix / "dosdevices" / "F:");
    result = RunCli(prefix, {"drives"});
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, driveC + "f: " + (dir / "media" / "GIGABEAT").string() + "\n");

    EXPECT_EQ(RunCli(prefix, {"drives", "extra"}).status, kExitUsage);
}

TEST(PathCommand, ResolvesOrExplains) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    test::TempDir dir;
    const fs::path prefix = dir / "prefix";
    fs::create_directories(dir / "player" / "GBSYSTEM");
    DriveMap(prefix).CreateLayout();
    fs::create_directory_symlink(dir / "player", prefix / "dosdevices" / "f:");

    Result result = RunCli(prefix, {"path", "f:/gbsystem\\image\\A.GBP"});
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, (dir / "player" / "GBSYSTEM" / "image" / "A.GBP").string() + "\n");

    result = RunCli(prefix, {"path", "C:\\Corvina\\Corvina.ini"});
    EXPECT_EQ(result.out, (prefix / "drive_c" / "Corvina" / "Corvina.ini").string() + "\n");

    result = RunCli(prefix, {"path", "G:\\x"});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("G:"), std::string::npos) << result.err;

    result = RunCli(prefix, {"path", "/etc/passwd"});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_NE(result.err.find("/etc/passwd"), std::string::npos) << result.err;

    EXPECT_EQ(RunCli(prefix, {"path"}).status, kExitUsage);
    EXPECT_EQ(RunCli(prefix, {"path", "F:\\", "G:\\"}).status, kExitUsage);
    EXPECT_EQ(RunCli(prefix, {"path", "--help"}).status, kExitOk);
}

TEST(DrivesCommand, UnusablePrefixIsAFailure) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    test::TempDir dir;
    test::WriteText(dir / "file", "x");
    const Result result = RunCli(dir / "file" / "prefix", {"drives"});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_NE(result.err.find((dir / "file").string()), std::string::npos) << result.err;
}

TEST(DrivesCommand, NoPrefixIsAFailureThatCreatesNothing) {
    test::TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const Result drives = RunCli({}, {"drives"});
    const Result path = RunCli({}, {"path", "C:\\"});
    fs::current_path(before);
    EXPECT_EQ(drives.status, kExitFailure);
    EXPECT_NE(drives.err.find("CORVINA_PREFIX"), std::string::npos) << drives.err;
    EXPECT_EQ(path.status, kExitFailure);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(CommandLine, HelpUsageAndUnknownCommands) {
    const Result help = RunCli({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.err, "");
    for (const Command& command : AllCommands())
        EXPECT_NE(help.out.find("  " + std::string(command.name)), std::string::npos)
            << command.name;

    const Result rewriteHelp = RunCli({"rewrite", "-h"});  // every command has its --help
    EXPECT_EQ(rewriteHelp.status, kExitOk);
    EXPECT_NE(rewriteHelp.out.find("  corvina-cli rewrite "), std::string::npos) << rewriteHelp.out;

    const Result none = RunCli({});
    EXPECT_EQ(none.status, kExitUsage);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, help.out);

    const Result unknown = RunCli({"drive"});
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("'drive'"), std::string::npos) << unknown.err;
}

}  // namespace
}  // namespace corvina::cli
