#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"
#include "support/zone_guard.h"

namespace corvina::cli {
namespace {

namespace fs = std::filesystem;

// Sets a file's last-write time to a moment given in seconds since 1970 (UTC).
void SetWriteTime(const fs::path& path, long long unixSeconds) {
    const timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(GbpInfoCommandTest, PrintsALinePerFileAsThePageShowsItAndGoesOnAfterFailures) {
    const test::ZoneGuard zone("JST-9");
    test::TempDir dir;
    const fs::path jacket = dir / "0RT6E2Y8Q4I9OP5N.GBP";
    const fs::path wallpaper = dir / "GBWALL.GBP";
    const fs::path odd = dir / "odd.gbp";
    test::WriteBytes(jacket, std::vector<std::uint8_t>(11266));
    test::WriteBytes(wallpaper, std::vector<std::uint8_t>(153608));
    test::WriteBytes(odd, std::vector<std::uint8_t>(18001));
    SetWriteTime(jacket, 1710000001);     // 2024-03-10 01:00:01 in Tokyo: an odd second
    SetWriteTime(wallpaper, 1709996400);  // 2024-03-10 00:00:00 in Tokyo: midnight
    SetWriteTime(odd, 1710000000);

    const Result r = RunCli({"gbp-info", jacket.string(), (dir / "missing.GBP").string(),
                             wallpaper.string(), dir.path().string(), odd.string()});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out,
              "0RT6E2Y8Q4I9OP5N.GBP\tJacket GBP File\t2024/03/10 1:00:00\t11266 Byte\n"
              "GBWALL.GBP\tWallpaper GBP File\t2024/03/10\t153608 Byte\n"
              "odd.gbp\tWallpaper GBP File\t2024/03/10 1:00:00\t18001 Byte\n");
    EXPECT_NE(r.err.find("missing.GBP"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir.path().string() + "\""), std::string::npos) << r.err;

    EXPECT_EQ(RunCli({"gbp-info"}).status, kExitUsage);
    EXPECT_EQ(RunCli({"gbp-info", "--size", jacket.string()}).status, kExitUsage);
}

TEST(GbpInfoCommandTest, WorksFromAScript) {
    test::TempDir dir;
    test::WriteBytes(dir / "A.GBP", std::vector<std::uint8_t>(11266));
    const std::string command = "cd '" + dir.path().string() + "' && '" + CORVINA_CLI_PATH +
                                "' gbp-info *.GBP | cut -f 2,4";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(out, "Jacket GBP File\t11266 Byte\n");
}

}  // namespace
}  // namespace corvina::cli
