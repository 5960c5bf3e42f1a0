#include "core/formats/sat_tags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/utf8.h"
#include "core/text/cp932.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A music file stand-in in which no byte is zero, so that every byte a rewrite sets shows.
Bytes PatternFile(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255 + 1);
    return bytes;
}

void Put(Bytes& file, std::size_t offset, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
}

// A text field's bytes as a rewrite leaves them: the units, then zeros to the field's end.
Bytes Field(const std::u16string& units) {
    Bytes bytes(124, 0);
    for (std::size_t k = 0; k < units.size(); ++k) {
        bytes[2 * k] = units[k] & 0xFF;
        bytes[2 * k + 1] = units[k] >> 8;
    }
    return bytes;
}

// The first index where two files differ, for readable failures.
std::string FirstDifference(const Bytes& actual, const Bytes& expected) {
    if (actual.size() != expected.size())
        return "size " + std::to_string(actual.size()) + " != " + std::to_string(expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i]) return "first difference at byte " + std::to_string(i);
    return "equal";
}

#define EXPECT_FILE_BYTES(path, expected) \
    EXPECT_EQ(FirstDifference(ReadBytes(path), expected), "equal")

const std::string kJacket = "0123456789ABCDEF.GBP";
const Bytes kJacketBytes = {0x30, 0, 0x31, 0, 0x32, 0, 0x33, 0, 0x34, 0, 0x35, 0, 0x36, 0, 0x37, 0,
                            0x38, 0, 0x39, 0, 0x41, 0, 0x42, 0, 0x43, 0, 0x44, 0, 0x45, 0, 0x46, 0,
                            0x2E, 0, 0x47, 0, 0x42, 0, 0x50, 0, 0,    0, 0};

class RewriteTagBlockTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(path_, original_); }
    TempDir dir_;
    std::filesystem::path path_ = dir_ / "01.SAT";
    Bytes original_ = PatternFile(4096);
};

TEST_F(RewriteTagBlockTest, FullRequestWritesOnlyTheOwnedBytes) {
    RewriteTagBlock(path_, {TagTexts{"AB", "", "ロック"}, 1, kJacket});

    Bytes expected = original_;
    Put(expected, 256, Field(u"AB"));  // 41 00 42 00, then zeros to 379
    Put(expected, 384, Field(u""));
    Put(expected, 512, Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Put(expected, 528, kJacketBytes);
    Put(expected, 698, Bytes{0xED, 0x30, 0xC3, 0x30, 0xAF, 0x30, 0, 0});
    Put(expected, 706, Bytes(116, 0));
    EXPECT_FILE_BYTES(path_, expected);
    EXPECT_EQ(ReadBytes(path_).size(), 4096u);
}

TEST_F(RewriteTagBlockTest, EachPartAloneLeavesTheOthers) {
    // Nothing asked: only 516 to 523 become zero.
    RewriteTagBlock(path_, {});
    Bytes expected = original_;
    Put(expected, 516, Bytes(8, 0));
    EXPECT_FILE_BYTES(path_, expected);

    // Jacket only: the track byte and its neighbours stay, the name field is not cleared first.
    RewriteTagBlock(path_, {std::nullopt, std::nullopt, kJacket});
    Put(expected, 528, kJacketBytes);
    EXPECT_FILE_BYTES(path_, expected);

    // Track only: 512 to 523.
    RewriteTagBlock(path_, {std::nullopt, 255, std::nullopt});
    Put(expected, 512, Bytes{255, 0, 0, 0});
    EXPECT_FILE_BYTES(path_, expected);

    // Texts only.
    RewriteTagBlock(path_, {TagTexts{"a", "b", "c"}, std::nullopt, std::nullopt});
    Put(expected, 256, Field(u"a"));
    Put(expected, 384, Field(u"b"));
    Put(expected, 698, Field(u"c"));
    EXPECT_FILE_BYTES(path_, expected);
}

TEST_F(RewriteTagBlockTest, TextsAreCodePageCharactersOneUnitEach) {
    const std::string fifty(50, 'x');
    const std::string seventy = std::string(60, 'y') + "ｱイウ\\~0123456";
    RewriteTagBlock(path_, {TagTexts{"ｱ", fifty, seventy}, std::nullopt, std::nullopt});

    Bytes expected = original_;
    Put(expected, 256, Field(u"\xFF71"));  // half-width katakana, one byte B1 in the code page
    Put(expected, 384, Field(std::u16string(50, u'x')));
    // Cut to 61 characters; a backslash stays a backslash (0x5C), never a yen sign.
    Put(expected, 698, Field(std::u16string(60, u'y') + u"\xFF71"));
    Put(expected, 516, Bytes(8, 0));
    EXPECT_FILE_BYTES(path_, expected);

    const TagBlock tags = ReadTagBlock(path_);
    EXPECT_EQ(tags.artist, "ｱ");
    EXPECT_EQ(tags.album, fifty);                 // zero unit at 484, beyond the 100 bytes read
    EXPECT_EQ(tags.genre, std::string(50, 'y'));  // only the first 100 bytes are read

    RewriteTagBlock(path_, {TagTexts{"\\~", "", ""}, std::nullopt, std::nullopt});
    EXPECT_EQ(ReadTagBlock(path_).artist, "\\~");
}

TEST_F(RewriteTagBlockTest, EveryCharacterWritesAsTheCodePageConversionGivesIt) {
    // Every character of the basic plane, a supplementary one and malformed UTF-8, 61 to a field.
    std::vector<std::string> characters;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        characters.emplace_back();
        AppendUtf8(characters.back(), c);
    }
    characters.insert(characters.end(), {"\U0001F600", "\xFF", "\xE3\x81", "\xC0\xAF"});
    const std::size_t offsets[] = {256, 384, 698};
    for (std::size_t first = 0; first < characters.size(); first += 3 * 61) {
        std::string texts[3];
        for (std::size_t i = first; i < std::min(first + 3 * 61, characters.size()); ++i)
            texts[(i - first) / 61] += characters[i];
        RewriteTagBlock(path_,
                        {TagTexts{texts[0], texts[1], texts[2]}, std::nullopt, std::nullopt});
        const Bytes bytes = ReadBytes(path_);
        for (int f = 0; f < 3; ++f) {
            ASSERT_EQ(Bytes(bytes.begin() + offsets[f], bytes.begin() + offsets[f] + 124),
                      Field(cp932::Utf8ToUnits(texts[f]).substr(0, 61)))
                << "characters from " << first;
        }
    }
}

TEST_F(RewriteTagBlockTest, BadRequestsAndShortFilesChangeNothing) {
    for (int track : {0, -1, 256, 1000}) {
        EXPECT_THROW(RewriteTagBlock(path_, {TagTexts{"A", "B", "C"}, track, std::nullopt}),
                     std::invalid_argument)
            << track;
    }
    for (const char* name : {"0123456789abcdef.GBP", "0123456789ABCDEF.gbp", "0123456789ABCDE.GBP",
                             "0123456789ABCDEFG.GBP", "0123456789ABCDE-.GBP", ""}) {
        EXPECT_THROW(RewriteTagBlock(path_, {std::nullopt, std::nullopt, std::string(name)}),
                     std::invalid_argument)
            << name;
    }
    EXPECT_FILE_BYTES(path_, original_);

    // A file that ends inside the block would be extended: refused, whatever the request.
    const Bytes shortFile = PatternFile(821);
    WriteBytes(path_, shortFile);
    try {
        RewriteTagBlock(path_, {std::nullopt, std::nullopt, kJacket});
        ADD_FAILURE() << "a 821-byte file was rewritten";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(path_.string()), std::string::npos) << e.what();
    }
    EXPECT_FILE_BYTES(path_, shortFile);

    // Exactly 822 bytes is long enough and stays 822 bytes.
    WriteBytes(path_, PatternFile(822));
    RewriteTagBlock(path_, {TagTexts{"A", "B", "C"}, 3, kJacket});
    EXPECT_EQ(ReadBytes(path_).size(), 822u);
    EXPECT_EQ(ReadTagBlock(path_).genre, "C");
}

TEST_F(RewriteTagBlockTest, UnopenableFilesAreErrorsAndNeverCreated) {
    EXPECT_THROW(RewriteTagBlock(dir_ / "missing.SAT", {}), FileError);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.SAT"));
    EXPECT_THROW(RewriteTagBlock(dir_.path(), {}), FileError);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read);
    // Root writes read-only files anyway, on Linux and under Wine run by root.
    const bool readOnlyHolds =
        !std::fstream(path_, std::ios::in | std::ios::out | std::ios::binary).is_open();
    if (readOnlyHolds) {
        EXPECT_THROW(RewriteTagBlock(path_, {TagTexts{"A", "B", "C"}, 1, kJacket}), FileError);
        EXPECT_FILE_BYTES(path_, original_);
    }
}

TEST(ReadTagBlock, ReadsTheSixFields) {
    TempDir dir;
    Bytes file = PatternFile(2048);
    Put(file, 128, Field(u"Title タイトル"));
    Put(file, 256, Field(u"Artist"));
    Put(file, 384, Bytes{0, 0, 0x41, 0});  // first unit zero: empty
    Put(file, 512, Bytes{12});
    Put(file, 528, kJacketBytes);  // followed by the pattern from 571 on
    for (std::size_t i = 0; i < 50; ++i) Put(file, 698 + 2 * i, Bytes{0x42, 0x30});  // no end mark
    WriteBytes(dir / "a.SAT", file);

    const TagBlock tags = ReadTagBlock(dir / "a.SAT");
    EXPECT_EQ(tags.title, "Title タイトル");
    EXPECT_EQ(tags.artist, "Artist");
    EXPECT_EQ(tags.album, "");
    EXPECT_EQ(tags.track, "12");
    EXPECT_EQ(tags.gbpFileName, kJacket);
    std::string genre;
    for (int i = 0; i < 50; ++i) genre += "あ";
    EXPECT_EQ(tags.genre, genre);
}

TEST(ReadTagBlock, TrackByteAndUnitsWithoutCodePageCharacters) {
    TempDir dir;
    Bytes file = PatternFile(1024);
    Put(file, 128, Bytes{0x01, 0x0E, 0x41, 0x00, 0, 0});  // U+0E01 has no code page character
    for (const auto& [byte, text] : {std::pair{0, ""}, {1, "1"}, {12, "12"}, {255, "255"}}) {
        file[512] = static_cast<std::uint8_t>(byte);
        WriteBytes(dir / "t.SAT", file);
        const TagBlock tags = ReadTagBlock(dir / "t.SAT");
        EXPECT_EQ(tags.track, text);
        EXPECT_EQ(tags.title, "\u0E01A");
    }
}

TEST(ReadTagBlock, EveryUnitReadsAsTheCodePageConversionGivesIt) {
    // 250 units a file, 50 in each of the five text fields, no zero unit among them.
    TempDir dir;
    const std::size_t offsets[] = {128, 256, 384, 528, 698};
    Bytes file(1024, 0);
    for (std::uint32_t first = 1; first <= 0xFFFF; first += 250) {
        std::string expected[5];
        for (std::uint32_t i = 0; i < 250; ++i) {
            const auto unit = static_cast<char16_t>(first + i <= 0xFFFF ? first + i : 0x41);
            file[offsets[i / 50] + 2 * (i % 50)] = unit & 0xFF;
            file[offsets[i / 50] + 2 * (i % 50) + 1] = unit >> 8;
            expected[i / 50] += cp932::UnitToUtf8(unit);
        }
        // A new file each time: rewriting one would wait for the disk on every close.
        const std::filesystem::path path = dir / (std::to_string(first) + ".SAT");
        WriteBytes(path, file);
        const TagBlock tags = ReadTagBlock(path);
        ASSERT_EQ((std::vector{tags.title, tags.artist, tags.album, tags.gbpFileName, tags.genre}),
                  (std::vector<std::string>(expected, expected + 5)))
            << "units from " << first;
    }
}

TEST(ReadTagBlock, ShortFilesReadAsIfZeroFollowed) {
    TempDir dir;
    Bytes file(260, 0);
    Put(file, 128, Field(u"T"));
    Put(file, 256, Bytes{0x41, 0, 0x42, 0});  // the file ends in the middle of Artist
    WriteBytes(dir / "short.SAT", file);
    EXPECT_EQ(ReadTagBlock(dir / "short.SAT"), (TagBlock{"T", "AB", "", "", "", ""}));
    WriteBytes(dir / "empty.SAT", Bytes{});
    EXPECT_EQ(ReadTagBlock(dir / "empty.SAT"), TagBlock{});
    EXPECT_THROW(ReadTagBlock(dir / "missing.SAT"), FileError);
}

TEST(JacketFileName, SixteenDigitsOrCapitalsAndGbp) {
    EXPECT_TRUE(IsJacketFileName("0123456789ABCDEF.GBP"));
    EXPECT_TRUE(IsJacketFileName("ZZZZZZZZZZZZZZZZ.GBP"));
    EXPECT_FALSE(IsJacketFileName("ZZZZZZZZZZZZZZZZ.GB"));
    EXPECT_FALSE(IsJacketFileName("ZZZZZZZZZZZZZZZZ_GBP"));
    EXPECT_FALSE(IsJacketFileName("ZZZZZZZZZZZZZZZ\xC3\x84.GBP"));
}

}  // namespace
}  // namespace corvina
