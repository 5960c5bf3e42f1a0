// Our code page 932 conversion against Windows' own, MultiByteToWideChar(932, ...) and
// WideCharToMultiByte(932, ...), for every code and every UTF-16 unit. Built only for Windows;
// .ci/wine-core.sh runs it under Wine with a Japanese locale.
//
// Our tables follow Microsoft's table of the code page (bestfit932.txt). Where the two differ
// here, either on purpose (our own choices, documented in core/text/cp932.h) or because Wine
// differs from Microsoft's table, the difference is listed below with its code; any other
// difference, and any listed one that disappears, fails the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "core/text/cp932.h"

namespace corvina::cp932 {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;  // no character: rejected, or the default character

// One difference: the code (or unit) compared, our result and the one Windows (Wine) gives.
struct Difference {
    std::uint32_t ours;
    std::uint32_t windows;
    bool operator==(const Difference&) const = default;
};
using Differences = std::map<std::uint32_t, Difference>;

std::string Hex(std::uint32_t value) {
    if (value == kNone) return "none";
    std::ostringstream out;
    out << "0x" << std::hex << std::uppercase << value;
    return out.str();
}

// Lists differences one a line, in the form of the tables below.
std::string Describe(const Differences& differences) {
    std::string text;
    for (const auto& [code, difference] : differences)
        text += "    {" + Hex(code) + ", {" + Hex(difference.ours) + ", " +
                Hex(difference.windows) + "}},\n";
    return text.empty() ? "    (none)\n" : text;
}

void ExpectSameDifferences(const Differences& found, const Differences& expected) {
    EXPECT_EQ(found, expected) << "found:\n" << Describe(found) << "listed:\n" << Describe(expected);
}

std::string BytesOf(std::uint32_t code) {
    std::string bytes;
    if (code > 0xFF) bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
    return bytes;
}

// The unit Windows decodes `bytes` to: one unit, or kNone when it takes more or fewer, or when
// `flags` include MB_ERR_INVALID_CHARS and Windows rejects the bytes.
std::uint32_t WindowsDecode(const std::string& bytes, DWORD flags) {
    wchar_t units[4] = {};
    const int count = ::MultiByteToWideChar(932, flags, bytes.data(), static_cast<int>(bytes.size()),
                                            units, 4);
    return count == 1 ? static_cast<std::uint32_t>(units[0]) : kNone;
}

// The code Windows encodes one unit to, or kNone when it writes the default character.
std::uint32_t WindowsEncode(char16_t unit, DWORD flags) {
    const wchar_t wide = static_cast<wchar_t>(unit);
    char bytes[4] = {};
    BOOL usedDefault = FALSE;
    const int count = ::WideCharToMultiByte(932, flags, &wide, 1, bytes, 4, nullptr, &usedDefault);
    if (usedDefault || count < 1 || count > 2) return kNone;
    std::uint32_t code = static_cast<std::uint8_t>(bytes[0]);
    if (count == 2) code = code << 8 | static_cast<std::uint8_t>(bytes[1]);
    return code;
}

std::uint32_t Ours(char16_t unit) { return unit == kNoUnit ? kNone : unit; }
std::uint32_t Ours(std::uint16_t code) { return code == kNoChar ? kNone : code; }

// Microsoft's table maps the single bytes 0xA0 and 0xFD-0xFF to private-use units, and so does
// Wine without flags; but Wine's MultiByteToWideChar with MB_ERR_INVALID_CHARS rejects them.
const Differences kWineRejectsSingleBytes = {
    {0xA0, {0xF8F0, kNone}},
    {0xFD, {0xF8F1, kNone}},
    {0xFE, {0xF8F2, kNone}},
    {0xFF, {0xF8F3, kNone}},
};

// Microsoft's table maps ¿ U+00BF to '?' as a best fit; Wine writes the same byte as its default
// character (reported through lpUsedDefaultChar).
const Differences kWineBestFitDifferences = {
    {0x00BF, {0x3F, kNone}},
};

// Our own choices (core/text/cp932.h): units that stand for their JIS look-alike, which Windows
// writes only as a best fit (WC_NO_BEST_FIT_CHARS refuses them) ...
const Differences kOurLookAlikes = {
    {0x00A2, {0x8191, kNone}},
    {0x00A3, {0x8192, kNone}},
    {0x00A5, {0x5C, kNone}},
    {0x00AC, {0x81CA, kNone}},
};
// ... and the characters other systems type for the JIS ones, which Windows has no code for.
const Differences kOurExtraUnits = {
    {0x2014, {0x815C, kNone}},
    {0x2016, {0x8161, kNone}},
    {0x203E, {0x7E, kNone}},
    {0x2212, {0x817C, kNone}},
    {0x301C, {0x8160, kNone}},
};

Differences Union(std::initializer_list<const Differences*> parts) {
    Differences all;
    for (const Differences* part : parts) all.insert(part->begin(), part->end());
    return all;
}

TEST(Cp932ConformanceTest, AnsiCodePageIsJapanese) {
    ASSERT_EQ(::GetACP(), 932u) << "run under a Japanese locale (LANG=ja_JP.UTF-8 LC_ALL="
                                   "ja_JP.UTF-8, with the locale generated: .ci/setup-wine.sh)";
}

// Every one-byte code and every lead byte with each of the 256 second bytes.
TEST(Cp932ConformanceTest, EveryCodeDecodesAsWindowsDecodesIt) {
    Differences rejected;
    Differences decoded;
    int defined = 0;
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
        const bool twoBytes = code > 0xFF;
        if (twoBytes ? !IsLeadByte(code >> 8) : IsLeadByte(code)) continue;
        const std::string bytes = BytesOf(code);
        const std::uint32_t ours = Ours(CharToUnit(static_cast<std::uint16_t>(code)));
        const std::uint32_t strict = WindowsDecode(bytes, MB_ERR_INVALID_CHARS);
        if (strict != ours) rejected[code] = {ours, strict};
        // Without flags, a code Windows cannot decode gives the default character U+30FB (and the
        // katakana middle dot 0x8145 gives it too, as its own character).
        const std::uint32_t lenient = WindowsDecode(bytes, 0);
        if (ours != kNone) {
            ++defined;
            if (lenient != ours) decoded[code] = {ours, lenient};
        } else if (twoBytes && IsTrailByte(code & 0xFF) && lenient != 0x30FB) {
            decoded[code] = {ours, lenient};
        }
    }
    // 191 one-byte characters, 0x80, 0xA0 and 0xFD-0xFF, and 7724 + 1880 two-byte ones.
    EXPECT_EQ(defined, 191 + 5 + 7724 + 1880);
    ExpectSameDifferences(rejected, kWineRejectsSingleBytes);
    ExpectSameDifferences(decoded, {});
}

// Best fit included: what WideCharToMultiByte(932, 0, ...) writes for each unit is what text
// going into the code page takes here.
TEST(Cp932ConformanceTest, EveryUnitEncodesAsWindowsBestFit) {
    Differences found;
    int mapped = 0;
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
        const std::uint32_t ours = Ours(BestFitChar(static_cast<char16_t>(unit)));
        const std::uint32_t windows = WindowsEncode(static_cast<char16_t>(unit), 0);
        if (ours != windows) found[unit] = {ours, windows};
        if (ours != kNone) ++mapped;
    }
    ExpectSameDifferences(found, Union({&kWineBestFitDifferences, &kOurExtraUnits}));
    // Microsoft's table has 9486 entries; we add the five units of kOurExtraUnits.
    EXPECT_EQ(mapped, 9486 + 5);
}

// Without best fit, Windows writes only the units that come back as themselves.
TEST(Cp932ConformanceTest, EveryUnitEncodesAsWindowsWithoutBestFit) {
    Differences found;
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
        const std::uint32_t ours = Ours(UnitToChar(static_cast<char16_t>(unit)));
        const std::uint32_t windows = WindowsEncode(static_cast<char16_t>(unit),
                                                    WC_NO_BEST_FIT_CHARS);
        if (ours != windows) found[unit] = {ours, windows};
    }
    ExpectSameDifferences(found, Union({&kOurLookAlikes, &kOurExtraUnits}));
}

std::wstring WideOf(std::string_view utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    const int count = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                            wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(count));
    return wide;
}

std::string WindowsEncodeText(std::string_view utf8) {
    const std::wstring wide = WideOf(utf8);
    std::string bytes(wide.size() * 2 + 1, '\0');
    const int count = ::WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()),
                                            bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                            nullptr);
    bytes.resize(static_cast<std::size_t>(count));
    return bytes;
}

std::string WindowsDecodeText(std::string_view cp932) {
    std::wstring wide(cp932.size() + 1, L'\0');
    const int count = ::MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()),
                                            wide.data(), static_cast<int>(wide.size()));
    std::string utf8(static_cast<std::size_t>(count) * 3 + 1, '\0');
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), count, utf8.data(),
                                             static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length));
    return utf8;
}

// Whole texts as the program writes them: names, paths, mixed widths and best fits.
TEST(Cp932ConformanceTest, TextsConvertAsWindowsConvertsThem) {
    const char* const texts[] = {
        "C:\\表\\ｱ～ソ\\GBRoom.exe",
        "ロック①Ⅰⅰ￢∵≒",
        "Björk, Beyoncé, Æon Flux, Straße ©®¡",
        "«µ» ゔ ¥¢£¬",
        "ąŁ tab\there",
        "",
    };
    for (const char* text : texts) {
        EXPECT_EQ(Utf8ToCp932(text), WindowsEncodeText(text)) << text;
        const std::string bytes = Utf8ToCp932(text);
        EXPECT_EQ(Cp932ToUtf8(bytes), WindowsDecodeText(bytes)) << text;
    }
}

// Text without a counterpart, where we differ from Windows on purpose (core/text/cp932.h): a
// character without a code becomes one "?" (Windows writes one per UTF-16 unit, so two for a
// character beyond the BMP); a code without a character becomes U+FFFD (Windows: its default
// character U+30FB), and a lead byte never takes a byte that cannot end a two-byte character, so a
// line break or a blank after it stays (Wine swallows it into the default character).
TEST(Cp932ConformanceTest, TextsWithoutCounterpartDifferAsListed) {
    const struct {
        const char* utf8;
        const char* ours;
        const char* windows;
    } encoded[] = {
        {"a😀b", "a?b", "a??b"},
        {"ą", "?", "?"},
    };
    for (const auto& c : encoded) {
        EXPECT_EQ(Utf8ToCp932(c.utf8), c.ours) << c.utf8;
        EXPECT_EQ(WindowsEncodeText(c.utf8), c.windows) << c.utf8;
    }
    const struct {
        const char* cp932;
        const char* ours;
        const char* windows;
    } decoded[] = {
        {"\x85\x40"
         "a",
         "\uFFFD"
         "a",
         "・a"},
        {"a\x81", "a\uFFFD", "a・"},
        {"\x81\r\n", "\uFFFD\r\n", "・\n"},
        {"\x81 x", "\uFFFD x", "・x"},
    };
    for (const auto& c : decoded) {
        EXPECT_EQ(Cp932ToUtf8(c.cp932), c.ours) << c.ours;
        EXPECT_EQ(WindowsDecodeText(c.cp932), c.windows) << c.ours;
    }
}

}  // namespace
}  // namespace corvina::cp932
