// Our profile file reader and writer against Windows' own, GetPrivateProfileStringA and
// WritePrivateProfileStringA, on the same files in a temporary folder. Built only for Windows;
// .ci/wine-core.sh runs it under Wine with a Japanese locale (ANSI code page 932), so the A
// functions read and write the same code page 932 bytes as ours.
//
// Where Wine departs from Windows' documented behaviour, we follow Windows: each such case is
// listed below with Wine's result, and any other difference, or a listed one that disappears,
// fails the test.
#include <windows.h>
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/text/cp932.h"
#include "core/text/profile.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

// A string literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

struct ReadCase {
    const char* name;
    std::optional<std::string> content;  // no file at all without it
    std::string section;                 // names, default and results in UTF-8
    std::string key;
    std::string defaultValue = "dflt";
    std::size_t size = kProfileBufferSize;
};

struct WriteCase {
    const char* name;
    std::optional<std::string> content;
    std::string section;
    std::string key;
    std::string value;
};

// Shows bytes readably in a failure message: printable ASCII as it is, the rest as \xHH.
std::string Shown(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != '"') {
            text += c;
        } else {
            text += "\\x";
            text += digits[byte >> 4];
            text += digits[byte & 15];
        }
    }
    return text + "\"";
}

// Cases, named, where the two results differ: ours and Windows' (Wine's), both as bytes.
using Differences = std::map<std::string, std::pair<std::string, std::string>>;

std::string Describe(const Differences& differences) {
    std::string text;
    for (const auto& [name, results] : differences)
        text += "    " + name + ": ours " + Shown(results.first) + ", Wine " +
                Shown(results.second) + "\n";
    return text.empty() ? "    (none)\n" : text;
}

class ProfileConformanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), 932u) << "run under a Japanese locale (LANG=ja_JP.UTF-8 LC_ALL="
                                       "ja_JP.UTF-8, with the locale generated: .ci/setup-wine.sh)";
    }

    // A new file name for each case: Windows keeps the last profile file it read in memory.
    std::filesystem::path NewFile() {
        return dir_ / ("case" + std::to_string(++files_) + ".ini");
    }

    void Put(const std::filesystem::path& file, const std::optional<std::string>& content) {
        if (content) test::WriteText(file, *content);
    }

    std::string WindowsRead(const ReadCase& c, const std::filesystem::path& file) {
        // Filled with '#', so that a byte left unwritten before the closing NUL shows.
        std::vector<char> buffer(c.size + 8, '#');
        ::GetPrivateProfileStringA(
            cp932::Utf8ToCp932(c.section).c_str(), cp932::Utf8ToCp932(c.key).c_str(),
            cp932::Utf8ToCp932(c.defaultValue).c_str(), buffer.data(),
            static_cast<DWORD>(c.size), file.string().c_str());
        // The string up to its NUL, as a caller reads it (ours returns no count).
        return std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
    }

    // Each case read by both on its own copy of the file; the differences by case.
    Differences CompareReads(const std::vector<ReadCase>& cases) {
        Differences found;
        for (const ReadCase& c : cases) {
            const std::filesystem::path ours = NewFile();
            const std::filesystem::path windows = NewFile();
            Put(ours, c.content);
            Put(windows, c.content);
            const std::string ourResult = cp932::Utf8ToCp932(
                GetPrivateProfileString(c.section, c.key, c.defaultValue, c.size, ours));
            const std::string windowsResult = WindowsRead(c, windows);
            if (ourResult != windowsResult) found[c.name] = {ourResult, windowsResult};
            if (!c.content) {
                EXPECT_FALSE(std::filesystem::exists(ours)) << c.name;  // reading creates nothing
            }
        }
        return found;
    }

    // Each case written by both on its own copy of the file; the files' bytes differ by case.
    Differences CompareWrites(const std::vector<WriteCase>& cases) {
        Differences found;
        for (const WriteCase& c : cases) {
            const std::filesystem::path ours = NewFile();
            const std::filesystem::path windows = NewFile();
            Put(ours, c.content);
            Put(windows, c.content);
            WritePrivateProfileString(c.section, c.key, c.value, ours);
            EXPECT_TRUE(::WritePrivateProfileStringA(
                cp932::Utf8ToCp932(c.section).c_str(), cp932::Utf8ToCp932(c.key).c_str(),
                cp932::Utf8ToCp932(c.value).c_str(), windows.string().c_str()))
                << c.name;
            ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, windows.string().c_str());
            const std::string ourBytes = test::ReadText(ours);
            const std::string windowsBytes = test::ReadText(windows);
            if (ourBytes != windowsBytes) found[c.name] = {ourBytes, windowsBytes};
        }
        return found;
    }

    void ExpectDifferences(const Differences& found,
                           const std::map<std::string, std::string>& wineResults) {
        Differences listed;
        for (const auto& [name, wine] : wineResults) {
            const auto it = found.find(name);
            listed[name] = {it == found.end() ? "(same as Wine)" : it->second.first, wine};
        }
        EXPECT_EQ(found, listed) << "found:\n" << Describe(found) << "listed:\n"
                                 << Describe(listed);
    }

    test::TempDir dir_;
    int files_ = 0;
};

// ---- Reading ----------------------------------------------------------------------------------

const std::string kSections = "Drive=x\r\n[Other]\r\nDrive=y\r\n[Empty]\r\n[Main]\r\nRoom=r\r\n";
const std::string kBlanks =
    "  [  Fundamental setting  ]  \r\n"
    "\t Room \t=  C:\\Program Files\\GBRoom.exe \t\r\n"
    "Drive=f:=x ; not a comment # nor this\r\n";
const std::string kQuotes =
    "[S]\r\ndouble=\"val2\"\r\nsingle='val'\r\ninner=\"  a b  \"\r\nblanks=   \"v\"   \r\n"
    "nested=\"\"x\"\"\r\nmixed=\"x'\r\none=\"\r\ntwo=\"\"\r\nopen=\"x\r\nmiddle=a\"b\"\r\n";
const std::string kCut = "[S]\r\nK=val1\r\nJ=\x95\x5C\x95\x5C\x95\x5C\r\nH=a\xB1\x95\x5C\r\n";
const std::string kComments =
    "; a comment\r\n\r\n[S]\r\n;Room=commented\r\n   ; Drive=commented\r\nname3\r\n\r\n"
    "   \t\r\nRoom=kept\r\n";
const std::string kFirst =
    "[S]\r\nK=first\r\nK=second\r\n[T]\r\nK=t\r\n[s]\r\nK=third\r\nOnlyLater=x\r\n";
const std::string kLongRoom =
    "[Fundamental setting]\r\nRoom=C:\\" + std::string(3000, 'x') + "\r\n";

const std::vector<ReadCase> kReadCases = {
    {"missing file", std::nullopt, "Fundamental setting", "Drive", "f"},
    {"missing section", kSections, "Fundamental setting", "Room"},
    {"key above the first header", kSections, "Main", "Drive"},
    {"empty section, empty default", kSections, "Empty", "Room", ""},
    {"section \"\" is not the top", kSections, "", "Drive"},
    {"section []", "[]\r\nDrive=z\r\n", "", "Drive"},
    {"empty file", "", "S", "K"},
    {"default: trailing spaces", std::nullopt, "S", "K", "default  "},
    {"default: leading spaces", std::nullopt, "S", "K", "  one two  "},
    {"default: trailing tab", std::nullopt, "S", "K", "tab\t"},
    {"default: quotes", std::nullopt, "S", "K", "\"quoted\""},
    {"default: cut", std::nullopt, "S", "K", "表表", 4},
    {"empty value", "[S]\r\nDrive=\r\n", "S", "Drive", "f"},
    {"blank value", "[S]\r\nDrive=   \r\n", "S", "Drive", "f"},
    {"tab value", "[S]\r\nDrive=\t \r\n", "S", "Drive", "f"},
    {"empty value, last line", "[S]\r\nDrive=", "S", "Drive", "f"},
    {"blanks around names and value", kBlanks, "Fundamental setting", "Room"},
    {"'=' and ';' in a value", kBlanks, "Fundamental setting", "Drive"},
    {"spaces around requested names", kBlanks, "  Fundamental setting ", " Room  "},
    {"tab before a requested key", kBlanks, "Fundamental setting", "\tRoom"},
    {"quotes: double", kQuotes, "S", "double"},
    {"quotes: single", kQuotes, "S", "single"},
    {"quotes: blanks inside", kQuotes, "S", "inner"},
    {"quotes: blanks outside", kQuotes, "S", "blanks"},
    {"quotes: nested", kQuotes, "S", "nested"},
    {"quotes: mixed", kQuotes, "S", "mixed"},
    {"quotes: one", kQuotes, "S", "one"},
    {"quotes: empty pair", kQuotes, "S", "two"},
    {"quotes: unclosed", kQuotes, "S", "open"},
    {"quotes: in the middle", kQuotes, "S", "middle"},
    {"quotes: size 5", kQuotes, "S", "double", "", 5},
    {"quotes: size 4", kQuotes, "S", "double", "", 4},
    {"cut: size 5", kCut, "S", "K", "", 5},
    {"cut: size 4", kCut, "S", "K", "", 4},
    {"cut: size 1", kCut, "S", "K", "", 1},
    {"cut: two-byte, size 7", kCut, "S", "J", "", 7},
    {"cut: two-byte, size 6", kCut, "S", "J", "", 6},
    {"cut: two-byte, size 5", kCut, "S", "J", "", 5},
    {"cut: two-byte, size 4", kCut, "S", "J", "", 4},
    {"cut: two-byte, size 2", kCut, "S", "J", "", 2},
    {"cut: half-width katakana, size 3", kCut, "S", "H", "", 3},
    {"cut: half-width katakana, size 4", kCut, "S", "H", "", 4},
    {"cut: 2047 bytes", kLongRoom, "Fundamental setting", "Room"},
    {"comments: key after them", kComments, "S", "Room"},
    {"comments: commented key", kComments, "S", "Drive"},
    {"comments: ';' key", kComments, "S", ";Room"},
    {"comments: line without '='", kComments, "S", "name3"},
    {"line breaks: LF", "[A]\nK=a\n[B]\nK=b\n", "B", "K"},
    {"line breaks: CR", "[A]\rK=a\r[B]\rK=b\r", "B", "K"},
    {"line breaks: mixed", "[A]\nK=a\r\r\n\n\r[B]\rK=b", "B", "K"},
    {"NUL at the end", Bytes("[A]\r\nK=a\r\n\0"), "A", "K"},
    {"NUL in a value", Bytes("[A]\r\nK=a\0b\r\n"), "A", "K"},
    {"header: second ']'", "[sec]whoops]\r\nK=1\r\n", "sec", "K"},
    {"header: no ']'", "[SectionName   \r\nK=2\r\n", "SectionName", "K"},
    {"header: text after ']'", "[S] K=3\r\nK=4\r\n", "S", "K"},
    {"header: '[' opens a section", "[S]\r\n[T=5\r\nK=6\r\n", "S", "K"},
    {"case: key", "[fundamental SETTING]\r\nroom=r\r\n", "Fundamental setting", "ROOM"},
    {"case: section", "[fundamental SETTING]\r\nroom=r\r\n", "FUNDAMENTAL SETTING", "Room"},
    {"case: full-width letter", "[S]\r\n\x82\x71=w\r\n", "S", "Ｒ"},
    {"case: full-width not folded", "[S]\r\n\x82\x71=w\r\n", "S", "ｒ"},
    {"two-byte: ア", "[S]\r\n\x83\x41=a\r\n", "S", "ア"},
    {"two-byte: ヂ is not ア", "[S]\r\n\x83\x41=a\r\n", "S", "ヂ"},
    {"two-byte: ']' as second byte", "[\x83\x5D]\r\nK=z\r\n", "ゾ", "K"},
    {"two-byte: '\\' as second byte", "[S]\r\n\x95\x5C=\x83\x5C\\\r\n", "S", "表"},
    {"two-byte: lead byte at line end", "[S]\r\nK=a\x81\r\nL=b\r\n", "S", "L"},
    {"Japanese value", cp932::Utf8ToCp932("[設定]\r\n部屋=C:\\表\\ﾙｰﾑ①\r\n"), "設定", "部屋"},
    {"first section and key", kFirst, "S", "K"},
    {"key only in a later section", kFirst, "S", "OnlyLater"},
};

// Cases where Wine reads otherwise than Windows documents, with Wine's result (code page 932
// bytes). What we follow instead:
const std::map<std::string, std::string> kWineReadDifferences = {
    // "If the supplied destination buffer is too small to hold the requested string, the string
    // is truncated and followed by a null character": Wine drops a two-byte character that does
    // not fit but puts the NUL at the buffer's end, leaving the byte before it unwritten (shown
    // as '#', the buffer's filling). We return the truncated string itself, never splitting a
    // character.
    {"cut: half-width katakana, size 4", "a\xB1#"},
    {"cut: two-byte, size 2", "#"},
    {"cut: two-byte, size 4", "\x95\\#"},
    {"cut: two-byte, size 6", "\x95\\\x95\\#"},
    {"default: cut", "\x95\\#"},
    // Wine cuts the value before it drops the quotes; the value returned, "val2", fits 5 bytes.
    {"quotes: size 5", "val"},
    // "If the lpKeyName key cannot be found, GetPrivateProfileString copies the default string"
    // (only trailing blanks removed): Wine drops quotes around the default as around a value.
    {"default: quotes", "quoted"},
    // Not in the documentation; the behaviour this program has always had (the section "[]" is
    // named "", a line starting with '[' or ';' is never a key, a section name ends at its first
    // ']' and needs none, requested names lose spaces only), which Wine does not share: Wine
    // reads "" as the lines above the first header, ";Room" as a key, "[T=5" as a key, takes
    // the last ']' and wants one, and drops tabs too.
    {"comments: ';' key", "commented"},
    {"header: '[' opens a section", "6"},
    {"header: no ']'", "dflt"},
    {"header: second ']'", "dflt"},
    {"section \"\" is not the top", "x"},
    {"section []", "dflt"},
    {"tab before a requested key", "C:\\Program Files\\GBRoom.exe"},
};

TEST_F(ProfileConformanceTest, ReadsAsWindowsReads) {
    ExpectDifferences(CompareReads(kReadCases), kWineReadDifferences);
}

// ---- Writing ----------------------------------------------------------------------------------

const std::string kKeep = Bytes(
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

const std::vector<WriteCase> kWriteCases = {
    {"new file", std::nullopt, "Fundamental setting", "Room", "C:\\表\\GBRoom.exe"},
    {"empty file", "", "App", "key", ""},
    {"spaces around names and value", "", "  App ", "  key  ", " v "},
    {"other lines kept byte for byte", kKeep, "Fundamental setting", "Room", "D:\\表 \"new\""},
    {"first of duplicate keys", "[S]\r\nK=1\r\nK=2\r\n", "S", "k", "3"},
    {"unterminated key line", "[S]\r\nTestKey=TestValue", "S", "TESTKEY", "TestValue2"},
    {"LF line breaks", "[S]\nK=1\nL=2\n", "S", "K", "x"},
    {"new key after the last key",
     "[App]\r\nkey1=string1\r\n[Next]\r\nz=1\r\n", "app", "key2", "string2"},
    {"new key before comments", "[S]\nRoom=a\n;comment\n\n[T]\n", "S", "Drive", "f"},
    {"new key in a section without keys",
     "[S]\r\n; only a comment\r\nname3\r\n[T]\r\nK=1\r\n", "S", "K", "v"},
    {"new key after an unterminated line", "[S]\r\nRoom=a", "S", "Drive", "f"},
    {"new key after an unterminated header", "[S]", "S", "Drive", "f"},
    {"first of two sections", "[S]\r\nA=1\r\n[S]\r\nB=2\r\n", "S", "B", "3"},
    {"new section", "[App]\r\nkey1=string1\r\n", "  App2 ", "key", "v"},
    {"new section after LF", "[App]\nk=1\n", "B", "k", "v"},
    {"new section after CR", "[App]\rk=1\r", "B", "k", "v"},
    {"new section after a NUL", Bytes("junk\0section"), "section1", "key1", "string1"},
    {"new section after a blank line", "\r\n", "S", "K", "V"},
    {"value: blanks", "[S]\r\nK=old\r\n", "S", "K", "  C:\\x  "},
    {"value: quotes", "[S]\r\nK=old\r\n", "S", "K", "\"quoted\""},
    {"value: '=' ';' '#'", "[S]\r\nK=old\r\n", "S", "K", "a=b;c#d"},
    {"value: tab", "[S]\r\nK=old\r\n", "S", "K", "\t"},
    {"value: best fit", "", "S", "K", "é〜ą"},
    {"Japanese names and value", cp932::Utf8ToCp932("[設定]\r\n部屋=古い\r\n"), "設定", "部屋",
     "C:\\表\\ﾙｰﾑ①"},
    {"NEC and IBM codes on other lines kept",
     "[S]\r\nA=\xED\x40\xFA\x5C\x87\x54\r\nK=old\r\n", "S", "K", "new"},
    {"']' as second byte of a section", "[\x83\x5D]\r\nK=1\r\n", "ゾ", "K", "2"},
};

// Cases where Wine writes otherwise than Windows documents, with the file's bytes Wine leaves.
// The documentation has the function copy one string into one section and says nothing of
// other lines; this program's writer keeps every byte it does not own (core/text/profile.h).
// Wine instead writes the whole file anew from what it parsed: every line break as CR LF, lines
// trimmed of leading blanks, blank lines and text after a NUL dropped, and every line through
// Unicode and back, which changes codes that share a unit (NEC selected 0xED40 becomes IBM
// 0xFA5C) and turns bytes that are not code page 932 into other characters.
const std::map<std::string, std::string> kWineWriteDifferences = {
    {"LF line breaks", "[S]\r\nK=x\r\nL=2\r\n"},
    {"NEC and IBM codes on other lines kept", "[S]\r\nA=\xFA\\\xFA\\\x87T\r\nK=new\r\n"},
    {"new section after CR", "[App]\r\nk=1\r\n[B]\r\nk=v\r\n"},
    {"new section after LF", "[App]\r\nk=1\r\n[B]\r\nk=v\r\n"},
    {"new section after a NUL", "junk\r\n[section1]\r\nkey1=string1\r\n"},
    {"new section after a blank line", "[S]\r\nK=V\r\n"},
    {"other lines kept byte for byte",
     "; settings\r\n\x81"
     "E\xBFjunk before any section\r\n[Other]\r\nRoom=other\r\n[fundamental SETTING]\r\n"
     "ROOM=D:\\\x95\\ \"new\"\r\nDrive=f\r\n; last\r\n[Fundamental setting]\r\n"
     "Room=duplicate section\r\n"},
    // Wine puts a new key after the section's last line of any kind, comments and lines without
    // '=' included; ours goes after the last key, or right after the header (not documented).
    {"new key before comments", "[S]\r\nRoom=a\r\n;comment\r\nDrive=f\r\n[T]\r\n"},
    {"new key in a section without keys",
     "[S]\r\n; only a comment\r\nname3\r\nK=v\r\n[T]\r\nK=1\r\n"},
    // "lpString: A null-terminated string to be written to the file": we write it as it is; Wine
    // drops its leading blanks, and drops leading spaces only from the names (reading drops them
    // at both ends, so ours writes names without them).
    {"spaces around names and value", "[App ]\r\nkey  =v \r\n"},
    {"new section", "[App]\r\nkey1=string1\r\n[App2 ]\r\nkey=v\r\n"},
    {"value: blanks", "[S]\r\nK=C:\\x  \r\n"},
    {"value: tab", "[S]\r\nK=\r\n"},
};

TEST_F(ProfileConformanceTest, WritesAsWindowsWrites) {
    ExpectDifferences(CompareWrites(kWriteCases), kWineWriteDifferences);
}

}  // namespace
}  // namespace corvina
