#include "core/os/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "support/temp_dir.h"

// The file layer's contract on every system. posix_files_test.cpp holds the cases made of POSIX
// calls (FIFOs, devices, modes, owners, times, links), win32_files_test.cpp the Windows ones.

namespace fs = std::filesystem;

namespace corvina {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(File, OpeningNeverCreatesOrTruncates) {
    test::TempDir dir;
    const fs::path missing = dir / "missing.sat";
    EXPECT_THROW(File::OpenRead(missing), FileError);
    EXPECT_THROW(File::OpenWrite(missing), FileError);
    EXPECT_FALSE(fs::exists(missing));

    const fs::path path = dir / "a.sat";
    test::WriteText(path, "hello world");
    File file = File::OpenWrite(path);
    EXPECT_EQ(file.Size(), 11u);
    file.WriteAt(1, Bytes("EL"));
    file.Close();
    EXPECT_EQ(test::ReadText(path), "hELlo world");
}

TEST(File, WriteOpenHasNoReadAccess) {
    test::TempDir dir;
    test::WriteText(dir / "a", "abc");
    const File file = File::OpenWrite(dir / "a");
    std::uint8_t buffer[3];
    EXPECT_THROW(file.ReadAt(0, buffer), FileError);
}

TEST(File, ReadsShortOnlyAtTheEnd) {
    test::TempDir dir;
    test::WriteText(dir / "a", "0123456789");
    const File file = File::OpenRead(dir / "a");
    std::vector<std::uint8_t> buffer(5);
    EXPECT_EQ(file.ReadAt(2, buffer), 5u);
    EXPECT_EQ(buffer, Bytes("23456"));
    EXPECT_EQ(file.ReadAt(8, buffer), 2u);
    EXPECT_EQ(buffer[0], '8');
    EXPECT_EQ(buffer[1], '9');
    EXPECT_EQ(file.ReadAt(10, buffer), 0u);
    EXPECT_EQ(file.ReadAt(1000, buffer), 0u);
    EXPECT_THROW(file.ReadAt(~std::uint64_t{0}, buffer), FileError);
}

TEST(ReadWholeFile, ChecksTheSizeBeforeReading) {
    test::TempDir dir;
    test::WriteText(dir / "a", "0123456789");
    EXPECT_EQ(ReadWholeFile(dir / "a", 10), Bytes("0123456789"));
    try {
        ReadWholeFile(dir / "a", 9);
        FAIL() << "no exception";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("ファイルを読み込めません"), std::string::npos);
    }
    test::WriteText(dir / "empty", "");
    EXPECT_TRUE(ReadWholeFile(dir / "empty").empty());
}

TEST(WriteWholeFile, CreatesAndReplacesLeavingNoTemporaryFile) {
    test::TempDir dir;
    const fs::path path = dir / "GBWALL.GBP";
    WriteWholeFile(path, Bytes("a long first content"));
    EXPECT_EQ(test::ReadText(path), "a long first content");
    WriteWholeFile(path, Bytes("short"));
    EXPECT_EQ(test::ReadText(path), "short");
    WriteWholeFile(path, {});
    EXPECT_EQ(test::ReadText(path), "");
    EXPECT_EQ(test::EntryNames(dir.path()), std::vector<std::string>{"GBWALL.GBP"});

    const std::string longest(255, 'n');  // the longest name a Linux file system takes
    WriteWholeFile(dir / longest, Bytes("x"));
    EXPECT_EQ(test::ReadText(dir / longest), "x");
}

TEST(FilesAndFolders, CreateAndDelete) {
    test::TempDir dir;
    CreateFolder(dir / "IMAGE");
    EXPECT_TRUE(FolderExists(dir / "IMAGE"));
    EXPECT_THROW(CreateFolder(dir / "IMAGE"), FileError);
    EXPECT_THROW(CreateFolder(dir / "a" / "b"), FileError);  // one level only

    test::WriteText(dir / "IMAGE" / "x.gbp", "x");
    DeleteFile(dir / "IMAGE" / "x.gbp");
    EXPECT_FALSE(fs::exists(dir / "IMAGE" / "x.gbp"));
    try {
        DeleteFile(dir / "IMAGE" / "x.gbp");
        FAIL() << "no exception";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("ファイルを削除できません"), std::string::npos);
    }
    EXPECT_THROW(DeleteFile(dir / "IMAGE"), FileError);
    EXPECT_TRUE(FolderExists(dir / "IMAGE"));
}

TEST(MatchesMask, WindowsWildcards) {
    EXPECT_TRUE(MatchesMask("a.sat", "*.SAT"));
    EXPECT_TRUE(MatchesMask("A.SAT", "*.sat"));
    EXPECT_FALSE(MatchesMask("a.sat.bak", "*.SAT"));
    EXPECT_FALSE(MatchesMask("asat", "*.SAT"));
    EXPECT_TRUE(MatchesMask(".sat", "*.SAT"));
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesMask("anything", "*"));
    EXPECT_TRUE(MatchesMask("a1.gbp", "a?.GBP"));
    EXPECT_FALSE(MatchesMask("a.gbp", "a?.GBP"));
    EXPECT_TRUE(MatchesMask("曲.sat", "?.sat"));  // '?' is one character, not one byte
    EXPECT_TRUE(MatchesMask("abcabcabd", "*abc*abd"));
    EXPECT_FALSE(MatchesMask("abcabcab", "*abc*abd"));
    EXPECT_TRUE(MatchesMask("x.bmp", "*.jpg;*.bmp"));
    EXPECT_FALSE(MatchesMask("x.png", "*.jpg;*.bmp"));
    EXPECT_FALSE(MatchesMask("x", ""));
    // Many stars against a long name must not take exponential time.
    EXPECT_FALSE(MatchesMask(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(WriteNewFile, WritesWholeThroughItsTemporaryAndNeverReplaces) {
    const test::TempDir dir;
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
    WriteNewFile(dir / "a.gbp", dir / ".a.tmp", bytes);
    EXPECT_EQ(test::ReadBytes(dir / "a.gbp"), bytes);
    EXPECT_FALSE(std::filesystem::exists(dir / ".a.tmp"));

    // A file of that name stays as it is, and the temporary goes.
    test::WriteBytes(dir / "b.gbp", {9});
    EXPECT_THROW(WriteNewFile(dir / "b.gbp", dir / ".b.tmp", bytes), FileError);
    EXPECT_EQ(test::ReadBytes(dir / "b.gbp"), std::vector<std::uint8_t>{9});
    EXPECT_FALSE(std::filesystem::exists(dir / ".b.tmp"));

    // A temporary left by a killed run is not written over either.
    test::WriteBytes(dir / ".c.tmp", {7});
    EXPECT_THROW(WriteNewFile(dir / "c.gbp", dir / ".c.tmp", bytes), FileError);
    EXPECT_FALSE(std::filesystem::exists(dir / "c.gbp"));
}

}  // namespace
}  // namespace corvina
