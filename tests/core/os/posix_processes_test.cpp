#include "core/os/posix/posix_processes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "core/base/errors.h"
#include "core/os/drives.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

// Drive C with a folder whose name has a blank, as gigabeat room's usual place has.
class PosixProcessesTest : public testing::Test {
protected:
    PosixProcessesTest() : drives_(dir_ / "prefix") {
        drives_.CreateLayout();
        room_ = drives_.prefix() / "drive_c" / "gigabeat room";
        fs::create_directories(room_);
    }

    // A shell script that writes its arguments, one a line, to `out`.
    fs::path Script(const fs::path& file, const fs::path& out) {
        test::WriteText(file, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" +
                                  out.string() + ".part\"\nmv \"" + out.string() + ".part\" \"" +
                                  out.string() + "\"\n");
        fs::permissions(file, fs::perms::owner_all);
        return file;
    }

    // The text the started program writes, once it is there (the program runs on its own).
    static std::string WaitForOutput(const fs::path& out) {
        for (int i = 0; i < 500 && !fs::exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return fs::exists(out) ? test::ReadText(out) : "(nothing written)";
    }

    test::TempDir dir_;
    DriveMap drives_;
    fs::path room_;
};

TEST_F(PosixProcessesTest, StartsAScriptFromAFolderWithABlankAndCountsItIdleAtOnce) {
    const fs::path out = dir_ / "out.txt";
    Script(room_ / "room.sh", out);
    PosixProcesses processes(drives_, std::nullopt);
    const StartedProcess started =
        processes.Start("C:\\gigabeat room\\room.sh", StartupRecord{}, kCreateDefaultErrorMode);
    EXPECT_NE(started.process, 0u);
    EXPECT_EQ(processes.WaitForInputIdle(started.process, 100), IdleWait::Idle);
    EXPECT_EQ(WaitForOutput(out), "");  // no arguments
    EXPECT_EQ(processes.FindTopLevelWindow("gigabeat room"), 0u);
}

TEST_F(PosixProcessesTest, FindsTheProgramByTheWindowsRuleForBlanks) {
    const fs::path out = dir_ / "out.txt";
    Script(room_ / "room.sh", out);
    fs::create_directories(room_.parent_path() / "tools");
    test::WriteText(room_.parent_path() / "tools" / "sub.exe", "x");
    test::WriteText(room_.parent_path() / "tools" / "plain", "x");
    fs::create_directories(room_.parent_path() / "folder.exe");
    PosixProcesses processes(drives_, std::nullopt);
    struct Case {
        const char* commandLine;
        const char* program;
        std::vector<std::string> arguments;  // after the program
    };
    for (const Case& c : {
             Case{"C:\\gigabeat room\\room.sh", "C:\\gigabeat room\\room.sh", {}},
             Case{"c:/GIGABEAT ROOM/ROOM.SH a  b", "c:/GIGABEAT ROOM/ROOM.SH", {"a", "b"}},
             Case{"C:\\tools\\sub", "C:\\tools\\sub.exe", {}},  // ".exe" added
             Case{"C:\\tools\\plain x", "C:\\tools\\plain", {"x"}},
             Case{"C:\\tools\\sub dir\\x", "C:\\tools\\sub.exe", {"dir\\x"}},  // first one wins
         }) {
        SCOPED_TRACE(c.commandLine);
        const HostCommand command = processes.Resolve(c.commandLine);
        EXPECT_EQ(command.windowsProgram, c.program);
        ASSERT_EQ(command.arguments.size(), c.arguments.size() + 1);
        EXPECT_EQ(std::vector<std::string>(command.arguments.begin() + 1, command.arguments.end()),
                  c.arguments);
    }
    // A folder named like the program is passed over.
    EXPECT_THROW(processes.Resolve("C:\\folder gigabeat room\\room.sh"), FileError);
}

TEST_F(PosixProcessesTest, IsFileOnlyForAnExistingFile) {
    test::WriteText(room_ / "GBRoom.exe", "MZ");
    PosixProcesses processes(drives_, std::nullopt);
    EXPECT_TRUE(processes.IsFile("C:\\gigabeat room\\GBRoom.exe"));
    EXPECT_TRUE(processes.IsFile("c:\\GIGABEAT ROOM\\gbroom.EXE"));
    EXPECT_FALSE(processes.IsFile(""));
    EXPECT_FALSE(processes.IsFile("C:\\gigabeat room"));
    EXPECT_FALSE(processes.IsFile("C:\\gigabeat room\\"));
    EXPECT_FALSE(processes.IsFile("Q:\\GBRoom.exe"));  // no such drive
}

TEST_F(PosixProcessesTest, AProgramThatCannotRunGivesTheSystemsReason) {
    test::WriteText(room_ / "notes.txt", "not a program");  // not executable
    test::WriteText(room_ / "GBRoom.exe", "MZ\x90");        // a Windows program, no wine
    PosixProcesses processes(drives_, std::nullopt);
    struct Case {
        const char* commandLine;
        std::string reason;
    };
    for (const Case& c : {Case{"C:\\gigabeat room\\notes.txt", std::strerror(EACCES)},
                          Case{"C:\\gigabeat room\\missing.exe", std::strerror(ENOENT)},
                          Case{"C:\\gigabeat room\\GBRoom.exe", "wine"}}) {
        try {
            processes.Start(c.commandLine, StartupRecord{}, 0);
            ADD_FAILURE() << c.commandLine << " started";
        } catch (const FileError& error) {
            EXPECT_NE(error.reason().find(c.reason), std::string::npos) << error.what();
        }
    }
}

TEST_F(PosixProcessesTest, RunsAWindowsProgramThroughWine) {
    const fs::path out = dir_ / "out.txt";
    test::WriteText(room_ / "GBRoom.exe", "MZ\x90");
    const fs::path wine = Script(dir_ / "wine", out);  // stands for wine: writes its arguments
    PosixProcesses processes(drives_, wine);
    processes.Start("C:\\gigabeat room\\GBRoom.exe", StartupRecord{}, 0);
    EXPECT_EQ(WaitForOutput(out), (room_ / "GBRoom.exe").string() + "\n");
}

}  // namespace
}  // namespace corvina
