#include "core/text/profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// A string literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

class ProfileTest : public ::testing::Test {
protected:
    // Reads with the settings reader's 2048-byte buffer unless told otherwise.
    std::string Read(std::string_view section, std::string_view key,
                     std::string_view defaultValue = "dflt", std::size_t size = 2048) {
        return GetPrivateProfileString(section, key, defaultValue, size, file_);
    }
    std::string ReadIn(std::string_view content, std::string_view section, std::string_view key,
                       std::string_view defaultValue = "dflt", std::size_t size = 2048) {
        WriteText(file_, content);
        return Read(section, key, defaultValue, size);
    }
    // Writes one key into a file holding `content` and returns the file's bytes afterwards.
    std::string WriteIn(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
        WriteText(file_, content);
        WritePrivateProfileString(section, key, value, file_);
        return ReadText(file_);
    }
    TempDir dir_;
    std::filesystem::path file_ = dir_ / "Corvina.ini";
};

// ---- Reading ----------------------------------------------------------------------------------

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Read("Fundamental setting", "Drive", "f"), "f");
    EXPECT_FALSE(std::filesystem::exists(file_));  // reading never creates the file

    const std::string content = "Drive=x\r\n[Other]\r\nDrive=y\r\n[Empty]\r\n[Main]\r\nRoom=r\r\n";
    EXPECT_EQ(ReadIn(content, "Fundamental setting", "Room"), "dflt");
    EXPECT_EQ(ReadIn(content, "Main", "Drive"), "dflt");  // not the key above the first header
    EXPECT_EQ(ReadIn(content, "Empty", "Room", ""), "");
    EXPECT_EQ(ReadIn(content, "", "Drive"), "dflt");  // "" is the section "[]", not the top
    EXPECT_EQ(ReadIn("[]\r\nDrive=z\r\n", "", "Drive"), "z");
    EXPECT_EQ(ReadIn("", "S", "K"), "dflt");
}

TEST_F(ProfileTest, DefaultLosesTrailingSpacesOnly) {
    EXPECT_EQ(Read("S", "K", "default  "), "default");
    EXPECT_EQ(Read("S", "K", "  one two  "), "  one two");
    EXPECT_EQ(Read("S", "K", "tab\t"), "tab\t");
    EXPECT_EQ(Read("S", "K", "\"quoted\""), "\"quoted\"");
    EXPECT_EQ(Read("S", "K", "表表", 4), "表");  // cut like a value
}

TEST_F(ProfileTest, UnreadableFileCountsAsMissing) {
    std::filesystem::create_directory(file_);
    EXPECT_EQ(Read("S", "K"), "dflt");
    // A pipe and a file without read permission: posix_profile_test.cpp.
}

TEST_F(ProfileTest, EmptyOrBlankValueReadsAsEmptyNotDefault) {
    EXPECT_EQ(ReadIn("[S]\r\nDrive=\r\n", "S", "Drive", "f"), "");
    EXPECT_EQ(ReadIn("[S]\r\nDrive=   \r\n", "S", "Drive", "f"), "");
    EXPECT_EQ(ReadIn("[S]\r\nDrive=\t \r\n", "S", "Drive", "f"), "");
    EXPECT_EQ(ReadIn("[S]\r\nDrive=", "S", "Drive", "f"), "");
}

TEST_F(ProfileTest, BlanksAroundNamesAndValuesAreDropped) {
    const std::string content =
        "  [  Fundamental setting  ]  \r\n"
        "\t Room \t=  C:\\Program Files\\GBRoom.exe \t\r\n"
        "Drive=f:=x ; not a comment # nor this\r\n";
    EXPECT_EQ(ReadIn(content, "Fundamental setting", "Room"),
              "C:\\Program Files\\GBRoom.exe");  // blanks inside stay
    EXPECT_EQ(ReadIn(content, "Fundamental setting", "Drive"), "f:=x ; not a comment # nor this");
    EXPECT_EQ(ReadIn(content, "  Fundamental setting ", " Room  "),
              "C:\\Program Files\\GBRoom.exe");
    EXPECT_EQ(ReadIn(content, "Fundamental setting", "\tRoom"), "dflt");  // only spaces go
}

TEST_F(ProfileTest, OnePairOfMatchingQuotesIsDropped) {
    const std::string content =
        "[S]\r\n"
        "double=\"val2\"\r\n"
        "single='val'\r\n"
        "inner=\"  a b  \"\r\n"
        "blanks=   \"v\"   \r\n"
        "nested=\"\"x\"\"\r\n"
        "mixed=\"x'\r\n"
        "one=\"\r\n"
        "two=\"\"\r\n"
        "open=\"x\r\n"
        "middle=a\"b\"\r\n";
    WriteText(file_, content);
    EXPECT_EQ(Read("S", "double"), "val2");
    EXPECT_EQ(Read("S", "single"), "val");
    EXPECT_EQ(Read("S", "inner"), "  a b  ");
    EXPECT_EQ(Read("S", "blanks"), "v");
    EXPECT_EQ(Read("S", "nested"), "\"x\"");
    EXPECT_EQ(Read("S", "mixed"), "\"x'");
    EXPECT_EQ(Read("S", "one"), "\"");
    EXPECT_EQ(Read("S", "two"), "");
    EXPECT_EQ(Read("S", "open"), "\"x");
    EXPECT_EQ(Read("S", "middle"), "a\"b\"");
    EXPECT_EQ(Read("S", "double", "", 5), "val2");  // the quotes do not count against the size
    EXPECT_EQ(Read("S", "double", "", 4), "val");
}

TEST_F(ProfileTest, ValueIsCutToBufferSizeLessOneBytes) {
    WriteText(file_, "[S]\r\nK=val1\r\nJ=\x95\x5C\x95\x5C\x95\x5C\r\nH=a\xB1\x95\x5C\r\n");
    EXPECT_EQ(Read("S", "K", "", 5), "val1");
    EXPECT_EQ(Read("S", "K", "", 4), "val");
    EXPECT_EQ(Read("S", "K", "", 1), "");
    EXPECT_EQ(Read("S", "K", "", 0), "");
    // Two-byte characters are never split: a character that does not fit is left out whole.
    EXPECT_EQ(Read("S", "J", "", 7), "表表表");
    EXPECT_EQ(Read("S", "J", "", 6), "表表");
    EXPECT_EQ(Read("S", "J", "", 5), "表表");
    EXPECT_EQ(Read("S", "J", "", 4), "表");
    EXPECT_EQ(Read("S", "J", "", 2), "");
    EXPECT_EQ(Read("S", "H", "", 3), "aｱ");  // a half-width katakana is one byte
    EXPECT_EQ(Read("S", "H", "", 4), "aｱ");

    const std::string room = "C:\\" + std::string(3000, 'x');
    WriteText(file_, "[Fundamental setting]\r\nRoom=" + room + "\r\n");
    EXPECT_EQ(Read("Fundamental setting", "Room"), room.substr(0, 2047));
}

TEST_F(ProfileTest, CommentsBlankLinesAndLinesWithoutEquals) {
    const std::string content =
        "; a comment\r\n"
        "\r\n"
        "[S]\r\n"
        ";Room=commented\r\n"
        "   ; Drive=commented\r\n"
        "name3\r\n"
        "\r\n"
        "   \t\r\n"
        "Room=kept\r\n";
    WriteText(file_, content);
    EXPECT_EQ(Read("S", "Room"), "kept");
    EXPECT_EQ(Read("S", "Drive"), "dflt");
    EXPECT_EQ(Read("S", ";Room"), "dflt");
    EXPECT_EQ(Read("S", "name3"), "dflt");
}

TEST_F(ProfileTest, CrLfCrAndLfAllEndALine) {
    for (const std::string lineBreak : {"\r\n", "\r", "\n"}) {
        const std::string content =
            "[A]" + lineBreak + "K=a" + lineBreak + "[B]" + lineBreak + "K=b" + lineBreak;
        EXPECT_EQ(ReadIn(content, "A", "K"), "a") << int(lineBreak[0]);
        EXPECT_EQ(ReadIn(content, "B", "K"), "b") << int(lineBreak[0]);
    }
    EXPECT_EQ(ReadIn("[A]\nK=a\r\r\n\n\r[B]\rK=b", "B", "K"), "b");
    EXPECT_EQ(ReadIn(Bytes("[A]\r\nK=a\r\n\0"), "A", "K"), "a");   // trailing NUL
    EXPECT_EQ(ReadIn(Bytes("[A]\r\nK=a\0b\r\n"), "A", "K"), "a");  // a C string ends
}

TEST_F(ProfileTest, SectionHeaders) {
    EXPECT_EQ(ReadIn("[sec]whoops]\r\nK=1\r\n", "sec", "K"), "1");  // first ']' ends the name
    EXPECT_EQ(ReadIn("[SectionName   \r\nK=2\r\n", "SectionName", "K"), "2");  // no ']' at all
    EXPECT_EQ(ReadIn("[S] K=3\r\nK=4\r\n", "S", "K"), "4");         // text after ']' is ignored
    EXPECT_EQ(ReadIn("[S]\r\n[T=5\r\nK=6\r\n", "S", "K"), "dflt");  // '[' always opens a section
}

TEST_F(ProfileTest, NamesIgnoreAsciiCaseOnly) {
    const std::string content = "[fundamental SETTING]\r\nroom=r\r\n";
    EXPECT_EQ(ReadIn(content, "Fundamental setting", "ROOM"), "r");
    EXPECT_EQ(ReadIn(content, "FUNDAMENTAL SETTING", "Room"), "r");
    EXPECT_EQ(ReadIn("[S]\r\n\x82\x71=w\r\n", "S", "Ｒ"), "w");     // full-width Ｒ itself
    EXPECT_EQ(ReadIn("[S]\r\n\x82\x71=w\r\n", "S", "ｒ"), "dflt");  // but not folded
}

TEST_F(ProfileTest, NamesAreComparedByCharacterNotByte) {
    // ア is 83 41 and ヂ is 83 61: their second bytes are 'A' and 'a', which must not be folded.
    EXPECT_EQ(ReadIn("[S]\r\n\x83\x41=a\r\n", "S", "ア"), "a");
    EXPECT_EQ(ReadIn("[S]\r\n\x83\x41=a\r\n", "S", "ヂ"), "dflt");
    // ゾ is 83 5D: its second byte is ']', which must not end the section name.
    EXPECT_EQ(ReadIn("[\x83\x5D]\r\nK=z\r\n", "ゾ", "K"), "z");
    // 表 is 95 5C, ソ is 83 5C: the second byte is '\'.
    EXPECT_EQ(ReadIn("[S]\r\n\x95\x5C=\x83\x5C\\\r\n", "S", "表"), "ソ\\");
    // A lead byte before the line break is a character of its own and ends nothing.
    EXPECT_EQ(ReadIn("[S]\r\nK=a\x81\r\nL=b\r\n", "S", "L"), "b");
    EXPECT_EQ(ReadIn("[S]\r\nK=a\x81\r\nL=b\r\n", "S", "K"), "a\uFFFD");
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyWin) {
    const std::string content =
        "[S]\r\nK=first\r\nK=second\r\n[T]\r\nK=t\r\n[s]\r\nK=third\r\nOnlyLater=x\r\n";
    EXPECT_EQ(ReadIn(content, "S", "K"), "first");
    EXPECT_EQ(ReadIn(content, "S", "OnlyLater"), "dflt");
}

// ---- Writing ----------------------------------------------------------------------------------

TEST_F(ProfileTest, WritingCreatesTheFile) {
    WritePrivateProfileString("Fundamental setting", "Room", "C:\\表\\GBRoom.exe", file_);
    EXPECT_EQ(ReadText(file_), "[Fundamental setting]\r\nRoom=C:\\\x95\x5C\\GBRoom.exe\r\n");
    EXPECT_EQ(WriteIn("", "App", "key", ""), "[App]\r\nkey=\r\n");  // an empty file counts as new
    EXPECT_EQ(WriteIn("", "  App ", "  key  ", " v "), "[App]\r\nkey= v \r\n");
}

TEST_F(ProfileTest, ReplacingAKeyLeavesEveryOtherByteAlone) {
    const std::string before = Bytes(
        "; settings\n"
        "\xEF\xBB\xBFjunk before any section\r\n"
        "\r\n"
        "[Other]\r"
        "Room=other\r"
        "  [ fundamental SETTING ]  ; comment\r\n"
        "\tROOM = \"C:\\old path\" \n"
        "   \r\n"
        "Drive=f\0 tail\r\n"
        "; last\r\n"
        "[Fundamental setting]\r\n"
        "Room=duplicate section\r\n");
    const std::string after = Bytes(
        "; settings\n"
        "\xEF\xBB\xBFjunk before any section\r\n"
        "\r\n"
        "[Other]\r"
        "Room=other\r"
        "  [ fundamental SETTING ]  ; comment\r\n"
        "ROOM=D:\\\x95\x5C \"new\"\n"
        "   \r\n"
        "Drive=f\0 tail\r\n"
        "; last\r\n"
        "[Fundamental setting]\r\n"
        "Room=duplicate section\r\n");
    EXPECT_EQ(WriteIn(before, "Fundamental setting", "Room", "D:\\表 \"new\""), after);
}

TEST_F(ProfileTest, ReplacingTheFirstOfDuplicateKeys) {
    EXPECT_EQ(WriteIn("[S]\r\nK=1\r\nK=2\r\n", "S", "k", "3"), "[S]\r\nK=3\r\nK=2\r\n");
    // The unterminated last line gets a line break.
    EXPECT_EQ(WriteIn("[S]\r\nTestKey=TestValue", "S", "TESTKEY", "TestValue2"),
              "[S]\r\nTestKey=TestValue2\r\n");
    EXPECT_EQ(WriteIn("[S]\nK=1\nL=2\n", "S", "K", "x"), "[S]\nK=x\nL=2\n");
}

TEST_F(ProfileTest, NewKeyGoesAfterTheSectionsLastKey) {
    EXPECT_EQ(WriteIn("[App]\r\nkey1=string1\r\n[Next]\r\nz=1\r\n", "app", "key2", "string2"),
              "[App]\r\nkey1=string1\r\nkey2=string2\r\n[Next]\r\nz=1\r\n");
    // Before the comments and blank lines that follow the last key.
    EXPECT_EQ(WriteIn("[S]\nRoom=a\n;comment\n\n[T]\n", "S", "Drive", "f"),
              "[S]\nRoom=a\nDrive=f\r\n;comment\n\n[T]\n");
    // A section without keys gets it right after its header.
    EXPECT_EQ(WriteIn("[S]\r\n; only a comment\r\nname3\r\n[T]\r\nK=1\r\n", "S", "K", "v"),
              "[S]\r\nK=v\r\n; only a comment\r\nname3\r\n[T]\r\nK=1\r\n");
    // An unterminated last line is ended first.
    EXPECT_EQ(WriteIn("[S]\r\nRoom=a", "S", "Drive", "f"), "[S]\r\nRoom=a\r\nDrive=f\r\n");
    EXPECT_EQ(WriteIn("[S]", "S", "Drive", "f"), "[S]\r\nDrive=f\r\n");
    // Only the first of two sections with the name is written to.
    EXPECT_EQ(WriteIn("[S]\r\nA=1\r\n[S]\r\nB=2\r\n", "S", "B", "3"),
              "[S]\r\nA=1\r\nB=3\r\n[S]\r\nB=2\r\n");
}

TEST_F(ProfileTest, NewSectionIsAppended) {
    EXPECT_EQ(WriteIn("[App]\r\nkey1=string1\r\n", "  App2 ", "key", "v"),
              "[App]\r\nkey1=string1\r\n[App2]\r\nkey=v\r\n");
    EXPECT_EQ(WriteIn("[App]\nk=1\n", "B", "k", "v"), "[App]\nk=1\n[B]\r\nk=v\r\n");
    EXPECT_EQ(WriteIn("[App]\rk=1\r", "B", "k", "v"), "[App]\rk=1\r[B]\r\nk=v\r\n");
    EXPECT_EQ(WriteIn(Bytes("junk\0section"), "section1", "key1", "string1"),
              Bytes("junk\0section\r\n[section1]\r\nkey1=string1\r\n"));
    EXPECT_EQ(WriteIn("\r\n", "S", "K", "V"), "\r\n[S]\r\nK=V\r\n");
}

TEST_F(ProfileTest, ValueIsWrittenVerbatim) {
    for (const std::string value : {"  C:\\x  ", "\"quoted\"", "a=b;c#d", "\t"}) {
        EXPECT_EQ(WriteIn("[S]\r\nK=old\r\n", "S", "K", value), "[S]\r\nK=" + value + "\r\n");
    }
    EXPECT_EQ(Read("S", "K"), "");  // a tab alone is a blank when read back
    // A character without a code of its own takes Windows' best fit, or "?" without one.
    EXPECT_EQ(WriteIn("", "S", "K", "é〜ą"), "[S]\r\nK=e\x81\x60?\r\n");
}

TEST_F(ProfileTest, LineBreaksAndNulsAreRefusedAndNothingIsWritten) {
    const std::string content = "[S]\r\nK=old\r\n";
    const std::string nul("a\0b", 3);
    for (const std::string& bad :
         {std::string("a\rb"), std::string("a\nb"), std::string("\r\n"), nul}) {
        WriteText(file_, content);
        EXPECT_THROW(WritePrivateProfileString("S", "K", bad, file_), std::invalid_argument);
        EXPECT_THROW(WritePrivateProfileString("S", bad, "v", file_), std::invalid_argument);
        EXPECT_THROW(WritePrivateProfileString(bad, "K", "v", file_), std::invalid_argument);
        EXPECT_EQ(ReadText(file_), content);
    }
    std::filesystem::remove(file_);
    EXPECT_THROW(WritePrivateProfileString("S", "K", "x\ny", file_), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(ProfileTest, NamesThatWouldNotReadBackAreRefused) {
    const std::string content = "[S]\r\nK=old\r\n";
    WriteText(file_, content);
    EXPECT_THROW(WritePrivateProfileString("S", "a=b", "v", file_), std::invalid_argument);
    EXPECT_THROW(WritePrivateProfileString("S", ";K", "v", file_), std::invalid_argument);
    EXPECT_THROW(WritePrivateProfileString("S", "[K", "v", file_), std::invalid_argument);
    EXPECT_THROW(WritePrivateProfileString("S]", "K", "v", file_), std::invalid_argument);
    EXPECT_THROW(WritePrivateProfileString("S", "\tK", "v", file_), std::invalid_argument);
    EXPECT_EQ(ReadText(file_), content);
    // ']' as the second byte of ゾ is part of a character and fine.
    WritePrivateProfileString("ゾ", "K", "v", file_);
    EXPECT_EQ(Read("ゾ", "K"), "v");
}

// What the settings dialog reports as "<file> に書き込めません": each failure is a FileError that
// names the file asked for, and leaves the folder as it was. None of these depend on
// permissions, so they hold for the superuser too. A pipe at the name, and permissions:
// posix_profile_test.cpp.
TEST_F(ProfileTest, FailedWritesThrowFileErrorAndLeaveNothingBehind) {
    test::WriteText(dir_ / "plain", "x");
    std::filesystem::create_directory(dir_ / "folder.ini");
    test::WriteText(dir_ / "folder.ini" / "inside", "keep");
    const std::vector<std::filesystem::path> unwritable = {
        dir_ / "missing" / "Corvina.ini",         // the folder is missing
        dir_ / "plain" / "Corvina.ini",           // the "folder" is a file
        dir_ / "folder.ini",                      // a folder stands at the name
        dir_ / (std::string(300, 'n') + ".ini"),  // a name longer than the system takes
    };
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path()))
            names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = entries();
    for (const std::filesystem::path& path : unwritable) {
        try {
            WritePrivateProfileString("Fundamental setting", "Room", "C:\\x", path);
            ADD_FAILURE() << "writing " << path << " succeeded";
        } catch (const FileError& error) {
            EXPECT_EQ(error.path(), path.string());
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos);
        }
    }
    EXPECT_EQ(entries(), before);  // no temporary file left, nothing replaced
    EXPECT_EQ(ReadText(dir_ / "folder.ini" / "inside"), "keep");
}

}  // namespace
}  // namespace corvina
