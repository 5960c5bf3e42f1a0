// The Win32 backend of the files, the run lock and the scratch file, against the Windows API's
// own behaviour (run under Wine, which implements share modes and byte-range locks).
#include <windows.h>
#undef DeleteFile
#undef MoveFile

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "core/os/run_lock.h"
#include "core/os/scratch_file.h"
#include "core/os/win32/win32_processes.h"
#include "core/os/win32/win32_text.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace corvina {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

void Write(const fs::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return {bytes.begin(), bytes.end()};
}

// True under Wine, which differs from Windows in a few places named where they are tested.
bool UnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Another program's open of `path` with the sharing given.
HANDLE OpenShared(const fs::path& path, DWORD sharing) {
    return ::CreateFileW(path.wstring().c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Each way another program may hold a file open, and what our calls then do: an open that
// leaves out FILE_SHARE_WRITE keeps us from writing, one without FILE_SHARE_DELETE from
// replacing the file; either is reported, and nothing is written. Whether a file held open with
// full sharing can be replaced depends on the system: Wine refuses it (access denied), Windows
// depending on its version and file system; either way the file holds the old or the new bytes,
// whole.
TEST(Win32Files, SharingWithOtherProgramsIsReportedAsInUse) {
    struct Case {
        const char* what;
        DWORD sharing;
        bool openWrites;   // our open for writing succeeds
        int replaceWorks;  // WriteWholeFile succeeds: 1, fails: 0, depends on the system: -1
    };
    const Case cases[] = {
        {"full sharing", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true, -1},
        {"no write sharing", FILE_SHARE_READ | FILE_SHARE_DELETE, false, 0},
        {"no delete sharing", FILE_SHARE_READ | FILE_SHARE_WRITE, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path file = dir / "A.SAT";
        Write(file, "old");
        const HANDLE other = OpenShared(file, c.sharing);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        if (c.openWrites) {
            EXPECT_NO_THROW(File::OpenReadWrite(file));
        } else {
            try {
                File::OpenReadWrite(file);
                ADD_FAILURE() << "opened";
            } catch (const FileError& e) {
                EXPECT_THAT(e.what(), HasSubstr("A.SAT"));
                EXPECT_THAT(e.what(), HasSubstr("使用中"));
            }
        }
        bool replaced = true;
        try {
            WriteWholeFile(file, Bytes("new"));
        } catch (const FileError& e) {
            replaced = false;
            EXPECT_THAT(e.what(), HasSubstr("A.SAT"));
        }
        if (c.replaceWorks >= 0) {
            EXPECT_EQ(replaced, c.replaceWorks == 1);
        }
        ::CloseHandle(other);
        EXPECT_EQ(Read(file), replaced ? "new" : "old");
        // The temporary file never stays behind.
        EXPECT_EQ(ListFolder(dir.path(), "*").size(), 1u);
    }
}

TEST(Win32Files, OpeningNeverCreatesAndWritesArePositioned) {
    test::TempDir dir;
    EXPECT_THROW(File::OpenReadWrite(dir / "missing.SAT"), FileError);
    EXPECT_FALSE(FileExists(dir / "missing.SAT"));
    EXPECT_THROW(File::OpenRead(dir.path()), FileError);  // a folder

    Write(dir / "a.bin", "0123456789");
    {
        const File file = File::OpenReadWrite(dir / "a.bin");
        file.WriteAt(4, Bytes("ab"));
        std::vector<std::uint8_t> tail(8);
        EXPECT_EQ(file.ReadAt(6, tail), 4u);  // short only at the end
        EXPECT_EQ(file.Size(), 10u);
        EXPECT_EQ(file.GetStamp().size, 10u);
        EXPECT_EQ(File::OpenRead(dir / "a.bin").GetStamp().id, file.GetStamp().id);
    }
    EXPECT_EQ(Read(dir / "a.bin"), "0123ab6789");
    EXPECT_THROW(File::CreateNew(dir / "a.bin"), FileError);
}

TEST(Win32Files, WholeFileWritesCreateReplaceAndNeverOverwriteANewFile) {
    test::TempDir dir;
    WriteWholeFile(dir / "s.ini", Bytes("one"));
    WriteWholeFile(dir / "s.ini", Bytes("two"));
    EXPECT_EQ(Read(dir / "s.ini"), "two");
    // The replaced file shows: the temporary's hidden attribute does not stay.
    EXPECT_EQ(LookUpEntry(dir / "s.ini").attributes & kAttrHidden, 0u);

    WriteNewFile(dir / "j.GBP", dir / "j.tmp", Bytes("jacket"));
    EXPECT_EQ(Read(dir / "j.GBP"), "jacket");
    EXPECT_EQ(LookUpEntry(dir / "j.GBP").attributes & kAttrHidden, 0u);
    EXPECT_THROW(WriteNewFile(dir / "j.GBP", dir / "j.tmp", Bytes("other")), FileError);
    EXPECT_EQ(Read(dir / "j.GBP"), "jacket");
    EXPECT_FALSE(FileExists(dir / "j.tmp"));

    MoveFile(dir / "j.GBP", dir / "s.ini");
    EXPECT_EQ(Read(dir / "s.ini"), "jacket");
    EXPECT_THROW(DeleteFile(dir.path()), FileError);
    DeleteFile(dir / "s.ini");
    EXPECT_FALSE(FileExists(dir / "s.ini"));
}

// Hidden and system come from the file system's attributes; a leading dot hides nothing on
// Windows. Wine differs: it shows the files of its Unix folders whose names start with a dot as
// hidden (unless its ShowDotFiles setting says otherwise).
TEST(Win32Files, ListingTakesHiddenAndSystemFromTheAttributes) {
    test::TempDir dir;
    for (const char* name : {".dot.SAT", "hidden.SAT", "system.SAT", "plain.sat", "other.txt"})
        Write(dir / name, "x");
    CreateFolder(dir / "Sub.SAT");
    ASSERT_TRUE(
        ::SetFileAttributesW((dir / "hidden.SAT").wstring().c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(
        ::SetFileAttributesW((dir / "system.SAT").wstring().c_str(), FILE_ATTRIBUTE_SYSTEM));

    std::vector<std::string> listed;
    for (const DirEntry& entry : ListFolder(dir.path(), "*.SAT"))
        listed.push_back(entry.name + ":" + std::to_string(entry.attributes & 0x17));
    const std::string dot = UnderWine() ? ".dot.SAT:2" : ".dot.SAT:0";
    EXPECT_THAT(listed, testing::ElementsAre(dot, "hidden.SAT:2", "plain.sat:0", "Sub.SAT:16",
                                             "system.SAT:4"));
    EXPECT_EQ(LookUpEntry(dir / "PLAIN.SAT").name, "plain.sat");  // as stored
    EXPECT_THROW(ListFolder(dir / "missing", "*"), FileError);
}

// Names beyond the ANSI code page cross the API as UTF-16.
TEST(Win32Files, NamesCrossTheApiAsUtf16) {
    test::TempDir dir;
    const fs::path file = dir.path() / fs::path(u8"曲名 ♪ ロック.SAT");
    WriteWholeFile(file, Bytes("tags"));
    const std::vector<DirEntry> entries = ListFolder(dir.path(), "*");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "曲名 ♪ ロック.SAT");
    EXPECT_EQ(Read(file), "tags");
}

// The names as the folder stores them, read with the W functions directly.
std::vector<std::wstring> StoredNames(const fs::path& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileW(win32::WidePath(folder / L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Every call takes and gives names in the program's UTF-8, and the system stores them as typed:
// Japanese, a circled digit, and the wave dash a code page's best fit would turn into '~'.
TEST(Win32Files, JapaneseNamesKeepTheirSpellingInEveryCall) {
    test::TempDir dir;
    const fs::path folder = dir.path() / PathFromUtf8("ジャケット画像");
    CreateFolder(folder);
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(StoredNames(dir.path()), std::vector<std::wstring>{L"ジャケット画像"});

    const fs::path song = folder / PathFromUtf8("曲①.SAT");
    WriteWholeFile(song, Bytes("0123456789"));
    WriteWholeFile(song, Bytes("abcdefghij"));  // replaced through a temporary beside it
    {
        const File file = File::OpenReadWrite(song);
        EXPECT_EQ(file.path(), Utf8FromPath(song));
        file.WriteAt(3, Bytes("XY"));
        std::vector<std::uint8_t> part(4);
        EXPECT_EQ(file.ReadAt(2, part), 4u);
        EXPECT_EQ(std::string(part.begin(), part.end()), "cXYf");
    }
    EXPECT_EQ(Read(song), "abcXYfghij");
    EXPECT_EQ(File::OpenRead(song).Size(), 10u);

    const fs::path wave = folder / PathFromUtf8("波～線.GBP");
    WriteNewFile(wave, folder / PathFromUtf8("一時～.tmp"), Bytes("jacket"));
    EXPECT_EQ(Read(wave), "jacket");
    EXPECT_THROW(WriteNewFile(wave, folder / PathFromUtf8("一時～.tmp"), Bytes("x")), FileError);
    EXPECT_FALSE(FileExists(wave.parent_path() / PathFromUtf8("波~線.GBP")));

    EXPECT_EQ(StoredNames(folder), (std::vector<std::wstring>{L"曲①.SAT", L"波～線.GBP"}));
    std::vector<std::string> listed;
    for (const DirEntry& entry : ListFolder(folder, "*")) listed.push_back(entry.name);
    EXPECT_THAT(listed, testing::UnorderedElementsAre("曲①.SAT", "波～線.GBP"));
    ASSERT_EQ(ListFolder(dir.path(), "*").size(), 1u);
    EXPECT_EQ(ListFolder(dir.path(), "*")[0].name, "ジャケット画像");
    EXPECT_EQ(LookUpEntry(song).name, "曲①.SAT");

    const fs::path moved = folder / PathFromUtf8("移動後①.SAT");
    MoveFile(song, moved);
    EXPECT_FALSE(FileExists(song));
    EXPECT_EQ(Read(moved), "abcXYfghij");
    DeleteFile(moved);
    DeleteFile(wave);
    EXPECT_TRUE(StoredNames(folder).empty());

    // A message names the file in UTF-8.
    try {
        File::OpenRead(folder / PathFromUtf8("無い①.SAT"));
        ADD_FAILURE() << "opened";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), Utf8FromPath(folder / PathFromUtf8("無い①.SAT")));
        EXPECT_THAT(e.what(), HasSubstr("ジャケット画像\\無い①.SAT"));
    }
}

// The wide path every W function gets: absolute, backslashes, no "." or "..", and "\\?\"
// before it so that its length is not limited to MAX_PATH.
TEST(Win32Files, WidePathsAreNormalLongPaths) {
    EXPECT_EQ(win32::WidePath(L"C:\\a\\.\\b\\..\\c.SAT"), L"\\\\?\\C:\\a\\c.SAT");
    EXPECT_EQ(win32::WidePath(L"C:/a/b/"), L"\\\\?\\C:\\a\\b\\");
    EXPECT_EQ(win32::WidePath(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(win32::WidePath(L"\\\\server\\share\\x\\..\\y"), L"\\\\?\\UNC\\server\\share\\y");
    EXPECT_EQ(win32::WidePath(L"\\\\?\\C:\\a\\..\\b"), L"\\\\?\\C:\\a\\..\\b");  // taken as given
    EXPECT_EQ(win32::WidePath(L"\\\\.\\NUL"), L"\\\\.\\NUL");
    // A relative path counts from the current folder.
    const std::wstring relative = win32::WidePath(L"x.SAT");
    EXPECT_EQ(relative.rfind(L"\\\\?\\", 0), 0u);
    EXPECT_EQ(relative, win32::WidePath(fs::current_path() / L"x.SAT"));
}

// Paths longer than MAX_PATH (260) work in every call; messages show them without "\\?\".
TEST(Win32Files, PathsLongerThanMaxPathWork) {
    test::TempDir dir;
    const std::string level = "長いフォルダ名の階層_0123456789abcdefghijklmnopqrstuvwxyz";
    std::vector<fs::path> folders;
    fs::path deep = dir.path();
    while (deep.wstring().size() < 400) {
        deep /= PathFromUtf8(level + std::to_string(folders.size()));
        CreateFolder(deep);
        folders.push_back(deep);
    }
    ASSERT_TRUE(FolderExists(deep));
    const fs::path song = deep / PathFromUtf8("曲①.SAT");
    ASSERT_GT(song.wstring().size(), 400u);

    WriteWholeFile(song, Bytes("0123456789"));
    WriteWholeFile(song, Bytes("abcdefghij"));
    File::OpenReadWrite(song).WriteAt(8, Bytes("IJK"));
    EXPECT_EQ(Read(song), "abcdefghIJK");
    EXPECT_TRUE(FileExists(song));
    EXPECT_EQ(LookUpEntry(song).name, "曲①.SAT");
    WriteNewFile(deep / "new.GBP", deep / "new.tmp", Bytes("jacket"));
    std::vector<std::string> listed;
    for (const DirEntry& entry : ListFolder(deep, "*")) listed.push_back(entry.name);
    EXPECT_THAT(listed, testing::UnorderedElementsAre("曲①.SAT", "new.GBP"));
    ASSERT_EQ(ListFolder(folders.front(), "*").size(), 1u);  // the folder's names stay whole
    EXPECT_EQ(ListFolder(folders.front(), "*")[0].name, Utf8FromPath(folders[1].filename()));

    // "." and ".." and forward slashes are resolved before the path becomes "\\?\".
    const fs::path roundabout = deep / L"." / L".." / deep.filename() / L"new.GBP";
    EXPECT_EQ(Read(roundabout), "jacket");
    EXPECT_EQ(Read(fs::path(deep.generic_wstring() + L"/new.GBP")), "jacket");

    MoveFile(deep / "new.GBP", deep / "moved.GBP");
    EXPECT_EQ(Read(deep / "moved.GBP"), "jacket");
    try {
        File::OpenRead(deep / "missing.SAT");
        ADD_FAILURE() << "opened";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), Utf8FromPath(deep / "missing.SAT"));
        EXPECT_THAT(e.path(), Not(HasSubstr("\\\\?\\")));
    }
    RunLock lock = RunLock::Acquire(deep / std::string(kRunLockName), "corvina-cli");
    EXPECT_TRUE(lock.held());
    lock.Release();

    DeleteFile(song);
    DeleteFile(deep / "moved.GBP");
    DeleteFile(deep / std::string(kRunLockName));
    EXPECT_THAT(ListFolder(deep, "*"), testing::IsEmpty());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        EXPECT_TRUE(::RemoveDirectoryW(win32::WidePath(*it).c_str())) << ::GetLastError();
    EXPECT_FALSE(FolderExists(folders.front()));
}

// The update program is looked for by its path in UTF-16: a wave dash would become '~' in the
// ANSI code page's best fit and name another file.
TEST(Win32Processes, IsFileTakesThePathWhole) {
    test::TempDir dir;
    const fs::path folder = dir.path() / PathFromUtf8("ルーム～");
    CreateFolder(folder);
    WriteWholeFile(folder / PathFromUtf8("更新①.exe"), Bytes("MZ"));
    Win32Processes processes;
    EXPECT_TRUE(processes.IsFile(Utf8FromPath(folder / PathFromUtf8("更新①.exe"))));
    EXPECT_FALSE(processes.IsFile(Utf8FromPath(folder)));
    EXPECT_FALSE(processes.IsFile(Utf8FromPath(folder / PathFromUtf8("無い.exe"))));
}

// The update program starts from a folder of any name: the command line reaches the system in
// UTF-16, where the ANSI code page would lose the wave dash and every character outside it.
TEST(Win32Processes, StartTakesACommandLineOfAnyCharacters) {
    test::TempDir dir;
    const fs::path folder = dir.path() / PathFromUtf8("ルーム 更新");
    CreateFolder(folder);
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    ASSERT_FALSE(self.empty());
    const fs::path program = folder / PathFromUtf8("確認～①.exe");
    ASSERT_TRUE(::CopyFileW(self.c_str(), program.c_str(), TRUE)) << ::GetLastError();

    Win32Processes processes;
    const StartedProcess started = processes.Start(
        "\"" + Utf8FromPath(program) + "\" --gtest_list_tests --gtest_filter=-*", {}, 0);
    const HANDLE process = reinterpret_cast<HANDLE>(started.process);
    EXPECT_EQ(::WaitForSingleObject(process, 60'000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    EXPECT_TRUE(::GetExitCodeProcess(process, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    processes.Release(started.thread);
    processes.Release(started.process);

    try {
        processes.Start("\"" + Utf8FromPath(folder / PathFromUtf8("無い～.exe")) + "\"", {}, 0);
        FAIL() << "a missing program started";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("無い～.exe"), std::string::npos) << e.what();
    }
}

TEST(Win32RunLock, SecondTakerIsRefusedAfterItsRetryAndNamesTheHolder) {
    test::TempDir dir;
    const fs::path lockFile = dir / std::string(kRunLockName);
    RunLock first = RunLock::Acquire(lockFile, "corvina-cli");
    EXPECT_TRUE(first.held());
    try {
        RunLock::Acquire(lockFile, "Corvina");
        ADD_FAILURE() << "taken twice";
    } catch (const RunLockHeld& held) {
        EXPECT_THAT(held.holder(), testing::StartsWith("corvina-cli (プロセス " +
                                                       std::to_string(::GetCurrentProcessId())));
    }
    first.Release();
    RunLock second = RunLock::Acquire(lockFile, "Corvina");
    EXPECT_TRUE(second.held());
    EXPECT_THAT(Read(lockFile), testing::StartsWith("Corvina\n"));
    EXPECT_THROW(RunLock::Acquire(dir / "missing" / "corvina.lock", "x"), FileError);
}

TEST(Win32ScratchFile, ReadsBackWhatItWroteAndLeavesNothing) {
    const int scratch = OpenScratchFile();
    ASSERT_NE(scratch, -1);
    const std::string text = "coefficients";
    EXPECT_EQ(WriteScratch(scratch, text.data(), text.size(), 1 << 20), 0);
    std::string back(text.size(), '\0');
    EXPECT_EQ(ReadScratch(scratch, back.data(), back.size(), 1 << 20), 0);
    EXPECT_EQ(back, text);
    EXPECT_NE(ReadScratch(scratch, back.data(), back.size(), 2 << 20), 0);  // past the end
    CloseScratchFile(scratch);
}

// The drive list is the system's, and each drive is its own root.
TEST(Win32Drives, DrivesAreTheSystemsAndPathsTheirOwn) {
    const DriveSnapshot drives = DriveMap("unused").Snapshot();
    ASSERT_TRUE(drives.DriveRoot('c'));
    EXPECT_EQ(drives.DriveRoot('C')->wstring(), L"C:\\");
    test::TempDir dir;
    Write(dir / "Mixed.SAT", "x");
    const std::optional<std::string> shown = drives.ToWindowsPath(dir / "Mixed.SAT");
    ASSERT_TRUE(shown);
    const std::optional<fs::path> back = drives.Resolve(*shown);
    ASSERT_TRUE(back);
    EXPECT_TRUE(fs::equivalent(*back, dir / "Mixed.SAT"));
    EXPECT_EQ(Utf8FromPath(back->filename()), "Mixed.SAT");

    // A Windows path in UTF-8 resolves to the host path of the same names, and back.
    const fs::path folder = dir.path() / PathFromUtf8("ジャケット画像");
    CreateFolder(folder);
    WriteWholeFile(folder / PathFromUtf8("曲①.SAT"), Bytes("x"));
    const std::optional<std::string> named = drives.ToWindowsPath(folder / PathFromUtf8("曲①.SAT"));
    ASSERT_TRUE(named);
    EXPECT_THAT(*named, testing::EndsWith("\\ジャケット画像\\曲①.SAT"));
    const std::optional<fs::path> host = drives.Resolve(*named);
    ASSERT_TRUE(host);
    EXPECT_EQ(Read(*host), "x");
    EXPECT_EQ(Utf8FromPath(host->filename()), "曲①.SAT");
}

}  // namespace
}  // namespace corvina
