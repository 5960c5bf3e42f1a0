// Profile files where only POSIX systems can set the scene: a pipe at the file's name, file and
// folder permissions, and symbolic links.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/text/profile.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

class PosixProfileTest : public ::testing::Test {
protected:
    std::string Read(std::string_view section, std::string_view key) {
        return GetPrivateProfileString(section, key, "dflt", kProfileBufferSize, file_);
    }
    static bool RunningAsRoot() { return ::geteuid() == 0; }

    TempDir dir_;
    std::filesystem::path file_ = dir_ / "Corvina.ini";
};

TEST_F(PosixProfileTest, PipeOrUnreadableFileCountsAsMissing) {
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    EXPECT_EQ(Read("S", "K"), "dflt");  // returns at once: a pipe is never waited on
    std::filesystem::remove(file_);

    if (!RunningAsRoot()) {
        WriteText(file_, "[S]\r\nK=v\r\n");
        std::filesystem::permissions(file_, std::filesystem::perms::none);
        EXPECT_EQ(Read("S", "K"), "dflt");
    }
}

// A pipe at the name is never written to nor waited on: a FileError naming it, and the folder as
// it was.
TEST_F(PosixProfileTest, WritingAtAPipeFails) {
    const std::filesystem::path pipe = dir_ / "pipe.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    try {
        WritePrivateProfileString("Fundamental setting", "Room", "C:\\x", pipe);
        ADD_FAILURE() << "writing " << pipe << " succeeded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), pipe.string());
        EXPECT_NE(std::string(error.what()).find(pipe.string()), std::string::npos);
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"pipe.ini"});
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST_F(PosixProfileTest, PermissionFailuresKeepTheOldFile) {
    if (RunningAsRoot()) GTEST_SKIP() << "permissions do not stop root";
    const std::string content = "[S]\r\nK=old\r\n";
    WriteText(file_, content);
    std::filesystem::permissions(
        dir_.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_THROW(WritePrivateProfileString("S", "K", "new", file_), FileError);
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadText(file_), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);

    std::filesystem::permissions(file_, std::filesystem::perms::owner_write);  // unreadable
    EXPECT_THROW(WritePrivateProfileString("S", "K", "new", file_), FileError);
    std::filesystem::permissions(file_, std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadText(file_), content);
}

TEST_F(PosixProfileTest, ReplacedFileKeepsPermissionsAndLinks) {
    const auto mode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                      std::filesystem::perms::group_read;
    WriteText(dir_ / "real.ini", "[S]\r\nK=old\r\n");
    std::filesystem::permissions(dir_ / "real.ini", mode);
    std::filesystem::create_symlink("real.ini", file_);
    WritePrivateProfileString("S", "K", "new", file_);
    EXPECT_TRUE(std::filesystem::is_symlink(file_));
    EXPECT_EQ(ReadText(dir_ / "real.ini"), "[S]\r\nK=new\r\n");
    EXPECT_EQ(std::filesystem::status(dir_ / "real.ini").permissions(), mode);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2);
}

}  // namespace
}  // namespace corvina
