#include "core/text/cp932.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace corvina::cp932 {
namespace {

TEST(Cp932Test, LeadAndTrailBytes) {
    EXPECT_FALSE(IsLeadByte(0x80));
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0x9F));
    EXPECT_FALSE(IsLeadByte(0xA0));
    EXPECT_FALSE(IsLeadByte(0xDF));
    EXPECT_TRUE(IsLeadByte(0xE0));
    EXPECT_TRUE(IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0xFD));
    EXPECT_FALSE(IsTrailByte(0x3F));
    EXPECT_TRUE(IsTrailByte(0x40));
    EXPECT_TRUE(IsTrailByte('['));
    EXPECT_FALSE(IsTrailByte(0x7F));
    EXPECT_FALSE(IsTrailByte(0xFD));
    EXPECT_EQ(CharLength("\x95\x5C"), 2u);
    EXPECT_EQ(CharLength("\x95"), 1u);      // lead byte at the end
    EXPECT_EQ(CharLength("\x81\r\n"), 1u);  // a line break never hides in a character
    EXPECT_EQ(CharLength("A"), 1u);
}

TEST(Cp932Test, SingleBytesFollowMicrosoftsTable) {
    EXPECT_EQ(CharToUnit(0x5C), u'\\');  // not the yen sign of Shift_JIS
    EXPECT_EQ(CharToUnit(0x7E), u'~');   // not the overline
    EXPECT_EQ(CharToUnit(0x41), u'A');
    EXPECT_EQ(CharToUnit(0xA1), u'\uFF61');
    EXPECT_EQ(CharToUnit(0xB1), u'\uFF71');
    EXPECT_EQ(CharToUnit(0xDF), u'\uFF9F');
    EXPECT_EQ(CharToUnit(0x80), u'\u0080');
    EXPECT_EQ(CharToUnit(0xA0), u'\uF8F0');
    EXPECT_EQ(CharToUnit(0xFD), u'\uF8F1');
    EXPECT_EQ(CharToUnit(0xFF), u'\uF8F3');
    EXPECT_EQ(CharToUnit(0x81), kNoUnit);  // a lead byte alone
    EXPECT_EQ(UnitToChar(u'\uF8F2'), 0xFE);
    EXPECT_EQ(UnitToChar(u'\u0080'), 0x80);
}

TEST(Cp932Test, DoubleBytesFollowMicrosoftsTable) {
    EXPECT_EQ(CharToUnit(0x815F), u'\uFF3C');  // full-width reverse solidus
    EXPECT_EQ(CharToUnit(0x8160), u'\uFF5E');  // full-width tilde, not the wave dash
    EXPECT_EQ(CharToUnit(0x8161), u'\u2225');
    EXPECT_EQ(CharToUnit(0x817C), u'\uFF0D');  // full-width hyphen-minus, not the minus sign
    EXPECT_EQ(CharToUnit(0x815C), u'\u2015');
    EXPECT_EQ(CharToUnit(0x8191), u'\uFFE0');
    EXPECT_EQ(CharToUnit(0x81CA), u'\uFFE2');
    EXPECT_EQ(CharToUnit(0x8740), u'\u2460');  // NEC row 13
    EXPECT_EQ(CharToUnit(0x8754), u'\u2160');
    EXPECT_EQ(CharToUnit(0x878A), u'\u3231');
    EXPECT_EQ(CharToUnit(0xED40), u'\u7E8A');  // NEC selected IBM extensions
    EXPECT_EQ(CharToUnit(0xEEEF), u'\u2170');
    EXPECT_EQ(CharToUnit(0xFA40), u'\u2170');  // IBM extensions
    EXPECT_EQ(CharToUnit(0xFA5C), u'\u7E8A');
    EXPECT_EQ(CharToUnit(0xFC4B), u'\u9ED1');
    EXPECT_EQ(CharToUnit(0xF040), u'\uE000');  // user-defined area
    EXPECT_EQ(CharToUnit(0xF9FC), u'\uE757');
    EXPECT_EQ(CharToUnit(0x955C), u'\u8868');  // 表, whose second byte is '\'
    EXPECT_EQ(CharToUnit(0x8341), u'\u30A2');
    EXPECT_EQ(CharToUnit(0x8540), kNoUnit);  // unused row
    EXPECT_EQ(CharToUnit(0xFC4C), kNoUnit);
    EXPECT_EQ(CharToUnit(0x8120), kNoUnit);  // no trail byte
}

TEST(Cp932Test, SharedUnitsTakeTheCodeWindowsPicks) {
    EXPECT_EQ(UnitToChar(u'\u2170'), 0xFA40);  // IBM over NEC selected
    EXPECT_EQ(UnitToChar(u'\u7E8A'), 0xFA5C);
    EXPECT_EQ(UnitToChar(u'\uFFE2'), 0x81CA);  // JIS X 0208 over both extensions
    EXPECT_EQ(UnitToChar(u'\u2252'), 0x81E0);  // JIS X 0208 over NEC row 13
    EXPECT_EQ(UnitToChar(u'\u2235'), 0x81E6);
    EXPECT_EQ(UnitToChar(u'\u2160'), 0x8754);  // NEC row 13 over IBM
    EXPECT_EQ(UnitToChar(u'\u3231'), 0x878A);
    EXPECT_EQ(UnitToChar(u'\uFFE4'), 0xFA55);  // IBM over NEC selected
}

// Every unit that several codes share must go back to the code of the most preferred group:
// JIS X 0208, then NEC row 13, then the IBM extensions, then the NEC selected ones.
TEST(Cp932Test, EverySharedUnitFollowsWindowsPreference) {
    const auto rank = [](std::uint16_t code) {
        const int lead = code >> 8;
        if (lead == 0xED || lead == 0xEE) return 3;
        if (lead >= 0xFA) return 2;
        if (lead == 0x87) return 1;
        return 0;
    };
    std::map<char16_t, std::vector<std::uint16_t>> codesOfUnit;
    for (int code = 0; code < 0x10000; ++code) {
        const char16_t unit = CharToUnit(static_cast<std::uint16_t>(code));
        if (unit != kNoUnit) codesOfUnit[unit].push_back(static_cast<std::uint16_t>(code));
    }
    int shared = 0;
    for (const auto& [unit, codes] : codesOfUnit) {
        std::uint16_t best = codes.front();
        for (std::uint16_t code : codes) {
            if (rank(code) < rank(best)) best = code;
        }
        EXPECT_EQ(UnitToChar(unit), best) << "unit " << std::hex << int(unit);
        if (codes.size() > 1) ++shared;
    }
    EXPECT_EQ(shared, 396);
    // 191 one-byte characters (0x80, 0xA0, 0xFD-0xFF included) and 7724 + 1880 two-byte ones.
    std::size_t total = 0;
    for (const auto& entry : codesOfUnit) total += entry.second.size();
    EXPECT_EQ(total, 191u + 5u + 7724u + 1880u);
}

TEST(Cp932Test, BestFitTakesTheJisLookAlike) {
    EXPECT_EQ(UnitToChar(u'\u301C'), 0x8160);  // wave dash as typed on other systems
    EXPECT_EQ(UnitToChar(u'\u2212'), 0x817C);
    EXPECT_EQ(UnitToChar(u'\u2016'), 0x8161);
    EXPECT_EQ(UnitToChar(u'\u2014'), 0x815C);
    EXPECT_EQ(UnitToChar(u'\u00A5'), 0x5C);
    EXPECT_EQ(UnitToChar(u'\u00AC'), 0x81CA);
    EXPECT_EQ(UnitToChar(u'\u00E9'), kNoChar);
    EXPECT_EQ(UnitToChar(char16_t{0xD800}), kNoChar);
}

TEST(Cp932Test, WholeStrings) {
    EXPECT_EQ(Utf8ToCp932("C:\\表\\ｱ～"), "C:\\\x95\x5C\\\xB1\x81\x60");
    EXPECT_EQ(Cp932ToUtf8("C:\\\x95\x5C\\\xB1\x81\x60"), "C:\\表\\ｱ～");
    EXPECT_EQ(Utf8ToCp932("ロック"), "\x83\x8D\x83\x62\x83\x4E");
    EXPECT_EQ(Utf8ToCp932("①Ⅰⅰ"), "\x87\x40\x87\x54\xFA\x40");
    EXPECT_EQ(Cp932ToUtf8(std::string("\x00\x41", 2)), std::string("\0A", 2));
}

TEST(Cp932Test, CharactersWithoutCounterpartBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp932("ą😀a"), "??a");
    EXPECT_EQ(Utf8ToCp932("\xFF"
                          "a\xE3\x81"),
              "?a??");                              // malformed UTF-8
    EXPECT_EQ(Utf8ToCp932("\xED\xA0\x80"), "???");  // an encoded surrogate
    EXPECT_EQ(Utf8ToCp932("\xC0\xAF"), "??");       // overlong
    EXPECT_EQ(Cp932ToUtf8("\x85\x40"
                          "a"),
              "\uFFFD"
              "a");                                    // unused pair
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\uFFFD");        // lead byte at the end
    EXPECT_EQ(Cp932ToUtf8("\x81\r\n"), "\uFFFD\r\n");  // lead byte, no trail byte
}

TEST(Cp932Test, UnitsReadFromAFile) {
    EXPECT_EQ(UnitToUtf8(u'A'), "A");
    EXPECT_EQ(UnitToUtf8(u'\uFF71'), "ｱ");
    EXPECT_EQ(UnitToUtf8(u'\u301C'), "～");  // through 0x8160 and back
    EXPECT_EQ(UnitToUtf8(u'\u00E9'), "é");   // no counterpart: keeps its own character
    EXPECT_EQ(UnitToUtf8(char16_t{0xDC00}), "\uFFFD");
    EXPECT_EQ(Utf8ToUnits("ロｱé〜ą"), u"ロｱe～?");
    EXPECT_EQ(Utf8ToUnits(""), u"");
}

TEST(Cp932Test, AppendUtf8) {
    std::string out;
    AppendUtf8(out, U'a');
    AppendUtf8(out, 0x3B1);
    AppendUtf8(out, 0x8868);
    AppendUtf8(out, 0x1F600);
    AppendUtf8(out, 0xD800);
    AppendUtf8(out, 0x110000);
    EXPECT_EQ(out, "aα表😀\uFFFD\uFFFD");
}

// Text going into the code page: Windows' best fit where a character has no code of its own, one
// character for one.
TEST(Cp932Test, TextTakesWindowsBestFit) {
    const struct {
        const char* utf8;
        const char* cp932;
    } cases[] = {
        {"Björk", "Bjork"},
        {"Beyoncé", "Beyonce"},
        {"Sigur Rós, Mötley Crüe", "Sigur Ros, Motley Crue"},
        {"Æon Flux, Señor, Straße", "Aon Flux, Senor, Strase"},
        {"©®¡¿", "cR!?"},
        {"«µ»", "\x81\xE1\x83\xCA\x81\xE2"},        // ≪ μ ≫
        {"ゔ", "\x83\x94"},                         // katakana VU
        {"¥¢〜—", "\x5C\x81\x91\x81\x60\x81\x5C"},  // look-alikes, not best fit
        {"ąŁ😀", "???"},                             // no best fit
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
    EXPECT_EQ(Utf8ToUnits("Björk ゔ"), u"Bjork ヴ");
    // Reading keeps a unit that has only a best fit as its own character.
    EXPECT_EQ(UnitToUtf8(u'\u00F6'), "ö");
    EXPECT_EQ(UnitToChar(u'\u00F6'), kNoChar);
    EXPECT_EQ(BestFitChar(u'\u00F6'), 'o');
    EXPECT_EQ(BestFitChar(u'\u0105'), kNoChar);
    EXPECT_EQ(BestFitChar(u'\u301C'), 0x8160);
    EXPECT_EQ(BestFitChar(u'\uFFFF'), kNoChar);
}

// A round trip through code page 932 keeps every character that has a code.
TEST(Cp932Test, EveryCodeRoundTrips) {
    for (int code = 0; code < 0x10000; ++code) {
        const char16_t unit = CharToUnit(static_cast<std::uint16_t>(code));
        if (unit == kNoUnit) continue;
        ASSERT_EQ(CharToUnit(UnitToChar(unit)), unit) << std::hex << code;
        const auto bytesOf = [](int c) {
            std::string bytes;
            if (c > 0xFF) bytes += static_cast<char>(c >> 8);
            bytes += static_cast<char>(c & 0xFF);
            return bytes;
        };
        ASSERT_EQ(Utf8ToCp932(Cp932ToUtf8(bytesOf(code))), bytesOf(UnitToChar(unit)))
            << std::hex << code;
    }
}

}  // namespace
}  // namespace corvina::cp932
