#include "platform/cp932.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "platform/errors.h"
#include "platform/little_endian.h"

namespace corvina::cp932 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows' mapping of the single bytes that Microsoft's published table leaves undefined and the
// C library's converter rejects.
struct SingleByteExtra {
    std::uint8_t byte;
    char16_t unit;
};
constexpr std::array<SingleByteExtra, 5> kSingleByteExtras = {{
    {0x80, 0x0080},
    {0xA0, 0xF8F0},
    {0xFD, 0xF8F1},
    {0xFE, 0xF8F2},
    {0xFF, 0xF8F3},
}};

// Both directions of the whole code page, indexed by code (0x00-0xFF, or lead * 256 + trail)
// and by UTF-16 unit. 256 KiB, built once and never changed.
struct Tables {
    std::array<char16_t, 0x10000> toUnit;
    std::array<std::uint16_t, 0x10000> toChar;
};

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw Error("文字コード CP932 の変換を使えません", "",
                        "C ライブラリの iconv に \"CP932\" の変換がありません");
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in`; returns the number of output bytes, or -1 when the input (as a
    // whole) has no counterpart or is incomplete.
    int Convert(const unsigned char* in, std::size_t inSize, unsigned char* out,
                std::size_t outSize) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = inSize;
        std::size_t outLeft = outSize;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return -1;
        }
        return static_cast<int>(outSize - outLeft);
    }

private:
    iconv_t cd_;
};

// The lead bytes in the order in which Windows prefers their codes when several codes share a
// unit: JIS X 0208 rows and NEC row 13 (0x87) first, then the user-defined area and the IBM
// extensions (0xFA-0xFC), and the NEC selected IBM extensions (0xED, 0xEE) last.
constexpr std::array<std::uint8_t, 60> LeadBytesByPreference() {
    std::array<std::uint8_t, 60> leads{};
    std::size_t n = 0;
    for (int b = 0x81; b <= 0x9F; ++b) leads[n++] = static_cast<std::uint8_t>(b);
    for (int b = 0xE0; b <= 0xFC; ++b) {
        if (b != 0xED && b != 0xEE) leads[n++] = static_cast<std::uint8_t>(b);
    }
    leads[n++] = 0xED;
    leads[n++] = 0xEE;
    return leads;
}

std::unique_ptr<const Tables> BuildTables() {
    auto tables = std::make_unique<Tables>();
    tables->toUnit.fill(kNoUnit);
    tables->toChar.fill(kNoChar);

    Converter decoder("UTF-16LE", "CP932");
    Converter encoder("CP932", "UTF-16LE");
    std::uint8_t out[8];
    const auto decode = [&](std::uint16_t code, const unsigned char* bytes, std::size_t size) {
        if (decoder.Convert(bytes, size, out, sizeof out) != 2) return;
        const char16_t unit = static_cast<char16_t>(ReadLe16(out, 0));
        tables->toUnit[code] = unit;
        if (tables->toChar[unit] == kNoChar) tables->toChar[unit] = code;
    };

    for (int byte = 0; byte < 0x100; ++byte) {
        if (IsLeadByte(static_cast<std::uint8_t>(byte))) continue;
        const unsigned char in[1] = {static_cast<unsigned char>(byte)};
        decode(static_cast<std::uint16_t>(byte), in, 1);
    }
    for (const SingleByteExtra& extra : kSingleByteExtras) {
        if (tables->toUnit[extra.byte] != kNoUnit) continue;
        tables->toUnit[extra.byte] = extra.unit;
        tables->toChar[extra.unit] = extra.byte;
    }
    for (std::uint8_t lead : LeadBytesByPreference()) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsTrailByte(static_cast<std::uint8_t>(trail))) continue;
            const unsigned char in[2] = {lead, static_cast<unsigned char>(trail)};
            decode(static_cast<std::uint16_t>(lead << 8 | trail), in, 2);
        }
    }

    // Units without a code of their own that the converter still turns into a code page
    // character (its compatibility mappings, the same as Windows' best fit for them).
    for (int unit = 0; unit < 0x10000; ++unit) {
        if (tables->toChar[unit] != kNoChar || (unit >= 0xD800 && unit <= 0xDFFF)) continue;
        const unsigned char in[2] = {static_cast<unsigned char>(unit & 0xFF),
                                     static_cast<unsigned char>(unit >> 8)};
        const int size = encoder.Convert(in, 2, out, sizeof out);
        if (size == 1) {
            tables->toChar[unit] = out[0];
        } else if (size == 2 && IsLeadByte(out[0]) && IsTrailByte(out[1])) {
            tables->toChar[unit] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
        }
    }
    return tables;
}

const Tables& TheTables() {
    static const std::unique_ptr<const Tables> tables = BuildTables();
    return *tables;
}

}  // namespace

bool IsLeadByte(std::uint8_t byte) noexcept {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsTrailByte(std::uint8_t byte) noexcept {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

std::size_t CharLength(std::string_view text) noexcept {
    if (text.size() >= 2 && IsLeadByte(static_cast<std::uint8_t>(text[0])) &&
        IsTrailByte(static_cast<std::uint8_t>(text[1]))) {
        return 2;
    }
    return 1;
}

char16_t CharToUnit(std::uint16_t code) { return TheTables().toUnit[code]; }

std::uint16_t UnitToChar(char16_t unit) { return TheTables().toChar[unit]; }

std::string Utf8ToCp932(std::string_view utf8) {
    const Tables& tables = TheTables();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t codePoint = corvina::NextCodePoint(utf8, pos);
        const std::uint16_t code = codePoint <= 0xFFFF ? tables.toChar[codePoint] : kNoChar;
        if (code == kNoChar) {
            out += '?';
        } else if (code > 0xFF) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        } else {
            out += static_cast<char>(code);
        }
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    const Tables& tables = TheTables();
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    for (std::size_t pos = 0; pos < cp932.size();) {
        const std::size_t length = CharLength(cp932.substr(pos));
        std::uint16_t code = static_cast<std::uint8_t>(cp932[pos]);
        if (length == 2)
            code =
                static_cast<std::uint16_t>(code << 8 | static_cast<std::uint8_t>(cp932[pos + 1]));
        const char16_t unit = tables.toUnit[code];
        AppendUtf8(out, unit == kNoUnit ? kReplacement : unit);
        pos += length;
    }
    return out;
}

std::string UnitToUtf8(char16_t unit) {
    std::string out;
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        AppendUtf8(out, kReplacement);
        return out;
    }
    const std::uint16_t code = UnitToChar(unit);
    AppendUtf8(out, code == kNoChar ? unit : CharToUnit(code));
    return out;
}

std::u16string Utf8ToUnits(std::string_view utf8) {
    const std::string text = Utf8ToCp932(utf8);
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = CharLength(std::string_view(text).substr(pos));
        std::uint16_t code = static_cast<std::uint8_t>(text[pos]);
        if (length == 2)
            code = static_cast<std::uint16_t>(code << 8 | static_cast<std::uint8_t>(text[pos + 1]));
        units += CharToUnit(code);
        pos += length;
    }
    return units;
}

}  // namespace corvina::cp932
