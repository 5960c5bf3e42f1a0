#include "core/text/cp932.h"

#include <algorithm>

#include "core/base/errors.h"
#include "core/base/little_endian.h"

namespace corvina::cp932 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct BestFit {
    char16_t unit;
    std::uint16_t code;
};

#include "core/text/cp932_tables.inc"

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

char16_t CharToUnit(std::uint16_t code) noexcept {
    if (code <= 0xFF) return kSingleByteUnits[code];
    const std::uint8_t row = kRowOfLead[code >> 8];
    const int trail = code & 0xFF;
    if (row == 0xFF || trail < 0x40 || trail > 0xFC) return kNoUnit;
    return kDoubleByteUnits[row * kTrailsPerRow + (trail - 0x40)];
}

std::uint16_t UnitToChar(char16_t unit) noexcept {
    return kCodeBlocks[kBlockOfUnit[unit / kUnitsPerBlock] * kUnitsPerBlock +
                       unit % kUnitsPerBlock];
}

std::uint16_t BestFitChar(char16_t unit) noexcept {
    const std::uint16_t code = UnitToChar(unit);
    if (code != kNoChar) return code;
    const auto* end = std::end(kBestFits);
    const auto* fit = std::lower_bound(std::begin(kBestFits), end, unit,
                                       [](const BestFit& f, char16_t u) { return f.unit < u; });
    return fit != end && fit->unit == unit ? fit->code : kNoChar;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t codePoint = corvina::NextCodePoint(utf8, pos);
        const std::uint16_t code =
            codePoint <= 0xFFFF ? BestFitChar(static_cast<char16_t>(codePoint)) : kNoChar;
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
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    for (std::size_t pos = 0; pos < cp932.size();) {
        const std::size_t length = CharLength(cp932.substr(pos));
        std::uint16_t code = static_cast<std::uint8_t>(cp932[pos]);
        if (length == 2)
            code =
                static_cast<std::uint16_t>(code << 8 | static_cast<std::uint8_t>(cp932[pos + 1]));
        const char16_t unit = CharToUnit(code);
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
