#include "core/os/files.h"

// The file layer with what only POSIX systems have: FIFOs, devices, modes, owners, times and
// symbolic links made by the test.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "core/base/errors.h"
#include "support/temp_dir.h"
#include "support/zone_guard.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// Runs `call` on another thread and fails instead of hanging when it does not come back.
template <typename Call>
void ExpectThrowsPromptly(Call call, const fs::path& fifo) {
    auto result = std::async(std::launch::async, [&] {
        try {
            call();
            return std::string("no exception");
        } catch (const FileError& e) {
            return std::string(e.what());
        }
    });
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Give the blocked open its other end so that the thread can finish.
        const int other = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        result.wait();
        if (other >= 0) ::close(other);
        FAIL() << "opening a FIFO blocked";
    }
    const std::string message = result.get();
    EXPECT_NE(message.find("ファイルを開けません"), std::string::npos) << message;
    EXPECT_NE(message.find(fifo.string()), std::string::npos) << message;
}

TEST(File, ReadWriteOpenKeepsItsStampAndLeavesTheAccessTime) {
    test::TempDir dir;
    const fs::path path = dir / "a";
    test::WriteText(path, "0123456789");
    // Two days back: a read would move the access time on under the usual mount options.
    const timespec times[2] = {{std::time(nullptr) - 2 * 86400, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        const File file = File::OpenReadWrite(path);
        std::vector<std::uint8_t> buffer(4);
        EXPECT_EQ(file.ReadAt(0, buffer), 4u);
        file.WriteAt(10, Bytes("ab"));  // the stamp stays the open's
        const File::Stamp stamp = file.GetStamp();
        EXPECT_EQ(stamp.size, 10u);
        EXPECT_EQ(stamp.lastWriteNs,
                  std::int64_t{before.st_mtim.tv_sec} * 1'000'000'000 + before.st_mtim.tv_nsec);
        EXPECT_EQ(stamp.id, (File::Id{before.st_dev, before.st_ino}));
        EXPECT_EQ(file.Size(), 12u);
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
}

TEST(File, RefusesFifosWithoutBlocking) {
    test::TempDir dir;
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExpectThrowsPromptly([&] { File::OpenRead(fifo); }, fifo);
    ExpectThrowsPromptly([&] { File::OpenWrite(fifo); }, fifo);
    ExpectThrowsPromptly([&] { ReadWholeFile(fifo); }, fifo);
}

TEST(File, RefusesFoldersAndDevices) {
    test::TempDir dir;
    EXPECT_THROW(File::OpenRead(dir.path()), FileError);
    EXPECT_THROW(File::OpenWrite(dir.path()), FileError);
    EXPECT_THROW(File::OpenRead("/dev/null"), FileError);
    EXPECT_THROW(ReadWholeFile(dir.path()), FileError);
}

TEST(File, FollowsLinksToRegularFiles) {
    test::TempDir dir;
    test::WriteText(dir / "a", "abc");
    fs::create_symlink(dir / "a", dir / "link");
    EXPECT_EQ(ReadWholeFile(dir / "link"), Bytes("abc"));
}

TEST(File, ErrorsNameThePathAndTheSystemReason) {
    test::TempDir dir;
    const fs::path missing = dir / "nothing.gbp";
    try {
        File::OpenRead(missing);
        FAIL() << "no exception";
    } catch (const FileError& e) {
        const std::string message = e.what();
        EXPECT_EQ(e.path(), missing.string());
        EXPECT_NE(message.find("ファイルを開けません"), std::string::npos) << message;
        EXPECT_NE(message.find(missing.string()), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
    }
}

TEST(WriteWholeFile, KeepsPermissionsAndLinks) {
    test::TempDir dir;
    const fs::path path = dir / "a.gbp";
    test::WriteText(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("a.gbp", dir / "link.gbp");
    WriteWholeFile(dir / "link.gbp", Bytes("new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.gbp"));
    EXPECT_EQ(test::ReadText(path), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // The superuser replacing a user's file leaves it the user's.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
        WriteWholeFile(path, Bytes("newer"));
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
}

TEST(WriteWholeFile, WritesThroughADanglingLinkToItsTarget) {
    test::TempDir dir;
    fs::create_directory(dir / "real");
    fs::create_symlink("real/missing.gbp", dir / "link.gbp");         // relative to the link
    fs::create_symlink(dir / "link.gbp", dir / "second.gbp");         // a chain of two
    fs::create_symlink(dir / "nowhere" / "x.gbp", dir / "lost.gbp");  // its folder is missing
    fs::create_symlink("loop.gbp", dir / "loop.gbp");

    WriteWholeFile(dir / "second.gbp", Bytes("new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.gbp"));
    EXPECT_TRUE(fs::is_symlink(dir / "second.gbp"));
    EXPECT_EQ(test::ReadText(dir / "real" / "missing.gbp"), "new");

    for (const char* name : {"lost.gbp", "loop.gbp"}) {
        try {
            WriteWholeFile(dir / name, Bytes("x"));
            FAIL() << name;
        } catch (const FileError& e) {
            EXPECT_EQ(e.path(), (dir / name).string());
        }
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    }
}

TEST(WriteWholeFile, FailureLeavesEverythingAsItWas) {
    test::TempDir dir;
    EXPECT_THROW(WriteWholeFile(dir / "no" / "a.gbp", Bytes("x")), FileError);
    fs::create_directory(dir / "folder.gbp");
    test::WriteText(dir / "folder.gbp" / "inside", "keep");
    try {
        WriteWholeFile(dir / "folder.gbp", Bytes("x"));
        FAIL() << "no exception";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find((dir / "folder.gbp").string()), std::string::npos);
    }
    EXPECT_EQ(test::ReadText(dir / "folder.gbp" / "inside"), "keep");
    EXPECT_EQ(test::EntryNames(dir.path()), std::vector<std::string>{"folder.gbp"});

    if (::geteuid() != 0) {  // the superuser writes into read-only folders and files anyway
        fs::create_directory(dir / "ro");
        test::WriteText(dir / "ro" / "a.gbp", "old");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(WriteWholeFile(dir / "ro" / "a.gbp", Bytes("new")), FileError);
        EXPECT_EQ(test::ReadText(dir / "ro" / "a.gbp"), "old");

        // A read-only file in a writable folder is not replaced either.
        test::WriteText(dir / "locked.gbp", "old");
        fs::permissions(dir / "locked.gbp", fs::perms::owner_read);
        EXPECT_THROW(WriteWholeFile(dir / "locked.gbp", Bytes("new")), FileError);
        EXPECT_EQ(test::ReadText(dir / "locked.gbp"), "old");
    }
}

TEST(FilesAndFolders, ExistenceTests) {
    test::TempDir dir;
    test::WriteText(dir / "file", "x");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "file", dir / "file-link");
    fs::create_symlink(dir / "folder", dir / "folder-link");
    fs::create_symlink(dir / "missing", dir / "dangling");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);

    struct Case {
        const char* name;
        bool file;
        bool folder;
    };
    for (const Case& c :
         {Case{"file", true, false}, Case{"folder", false, true}, Case{"file-link", true, false},
          Case{"folder-link", false, true}, Case{"dangling", false, false},
          Case{"fifo", false, false}, Case{"missing", false, false}}) {
        EXPECT_EQ(FileExists(dir / c.name), c.file) << c.name;
        EXPECT_EQ(FolderExists(dir / c.name), c.folder) << c.name;
    }
}

using test::ZoneGuard;

TEST(LookUpEntry, ReportsNameSizeTimeAndAttributes) {
    ZoneGuard zone("UTC");
    test::TempDir dir;
    const fs::path path = dir / "Song.SAT";
    test::WriteText(path, "12345");
    const timespec times[2] = {{1700000001, 0}, {1700000001, 500000000}};  // 2023-11-14 22:13:21
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    fs::permissions(path, fs::perms::owner_read);

    const DirEntry entry = LookUpEntry(path);
    EXPECT_EQ(entry.name, "Song.SAT");
    EXPECT_EQ(entry.size, 5u);
    EXPECT_EQ(entry.lastWrite, (FileTime{2023, 11, 14, 22, 13, 20}));
    EXPECT_EQ(entry.attributes, kAttrReadOnly);

    fs::create_directory(dir / ".cache");
    const DirEntry folder = LookUpEntry(dir / ".cache/");
    EXPECT_EQ(folder.name, ".cache");
    EXPECT_EQ(folder.size, 0u);
    EXPECT_EQ(folder.attributes, kAttrFolder | kAttrHidden);

    EXPECT_THROW(LookUpEntry(dir / "missing"), FileError);
}

TEST(ListFolder, MatchesSortsAndMarksEntries) {
    test::TempDir dir;
    for (const char* name : {"b.SAT", "a.SAT", "A.sat", "c.gbp", ".hidden.sat"})
        test::WriteText(dir / name, name);
    fs::create_directory(dir / "Sub.SAT");
    fs::create_symlink(dir / "missing", dir / "dangling.sat");

    const std::vector<DirEntry> entries = ListFolder(dir.path(), "*.SAT");
    std::vector<std::string> names;
    for (const DirEntry& entry : entries) names.push_back(entry.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{".hidden.sat", "A.sat", "a.SAT", "b.SAT", "Sub.SAT"}));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].attributes & kAttrHidden, kAttrHidden);
    EXPECT_EQ(entries[1].attributes & kAttrHidden, 0u);
    EXPECT_EQ(entries[1].size, 5u);
    EXPECT_TRUE(entries[4].IsFolder());

    EXPECT_EQ(ListFolder(dir.path(), "*.*").size(), 6u);  // never ".", "..", or the dangling link
    try {
        ListFolder(dir / "missing", "*.*");
        FAIL() << "no exception";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("フォルダを読み込めません"), std::string::npos);
        EXPECT_EQ(e.path(), (dir / "missing").string());
    }
    EXPECT_THROW(ListFolder(dir / "c.gbp", "*"), FileError);
}

}  // namespace
}  // namespace corvina
