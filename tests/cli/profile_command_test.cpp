#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/commands.h"
#include "support/temp_dir.h"

namespace corvina::cli {
namespace {

class ProfileCommandTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    std::string file_ = (dir_ / "Corvina.ini").string();
};

TEST_F(ProfileCommandTest, GetPrintsTheValueOrTheDefault) {
    Result r = RunCli({"profile", "get", file_, "Fundamental setting", "Drive", "f"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "f\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(RunCli({"profile", "get", file_, "Fundamental setting", "Room"}).out, "\n");

    test::WriteText(dir_ / "Corvina.ini",
                    "[Fundamental setting]\r\nRoom = \"C:\\\x95\x5C\\GBRoom.exe\" \r\nDrive=\r\n");
    EXPECT_EQ(RunCli({"profile", "get", file_, "fundamental setting", "room"}).out,
              "C:\\表\\GBRoom.exe\n");
    EXPECT_EQ(RunCli({"profile", "get", file_, "Fundamental setting", "Drive", "f"}).out, "\n");
}

TEST_F(ProfileCommandTest, GetReadsWithA2048ByteBuffer) {
    test::WriteText(dir_ / "Corvina.ini", "[S]\r\nK=" + std::string(3000, 'x') + "\r\n");
    EXPECT_EQ(RunCli({"profile", "get", file_, "S", "K"}).out, std::string(2047, 'x') + "\n");
}

TEST_F(ProfileCommandTest, SetWritesOneKey) {
    Result r =
        RunCli({"profile", "set", file_, "Fundamental setting", "Room", "C:\\My Room\\GBRoom.exe"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(RunCli({"profile", "set", file_, "Fundamental setting", "Drive", "g"}).status,
              kExitOk);
    EXPECT_EQ(test::ReadText(dir_ / "Corvina.ini"),
              "[Fundamental setting]\r\nRoom=C:\\My Room\\GBRoom.exe\r\nDrive=g\r\n");
    EXPECT_EQ(RunCli({"profile", "get", file_, "Fundamental setting", "Room"}).out,
              "C:\\My Room\\GBRoom.exe\n");
}

TEST_F(ProfileCommandTest, FailuresExitWithOneAndSayWhy) {
    const std::string missing = (dir_ / "no such folder" / "Corvina.ini").string();
    Result r = RunCli({"profile", "set", missing, "S", "K", "v"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;

    r = RunCli({"profile", "set", file_, "S", "K", "two\nlines"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Corvina.ini"));
}

TEST_F(ProfileCommandTest, WrongUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> wrong = {
        {"profile"},
        {"profile", "get", file_, "S"},
        {"profile", "get", file_, "S", "K", "D", "extra"},
        {"profile", "set", file_, "S", "K"},
        {"profile", "set", file_, "S", "K", "V", "extra"},
        {"profile", "delete", file_, "S", "K"},
    };
    for (const auto& args : wrong) {
        const Result r = RunCli(args);
        EXPECT_EQ(r.status, kExitUsage) << args.size();
        EXPECT_NE(r.err.find("usage: corvina-cli profile"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Corvina.ini"));
    EXPECT_EQ(RunCli({"profile", "--help"}).status, kExitOk);
}

}  // namespace
}  // namespace corvina::cli
