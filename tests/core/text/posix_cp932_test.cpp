// Code page 932 against the C library's converter (iconv), which only POSIX systems have.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>

#include "core/text/cp932.h"

namespace corvina::cp932 {
namespace {

// The C library's converter as a second opinion on every code and every unit.
class Glibc {
public:
    Glibc(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Glibc() {
        if (Usable()) iconv_close(cd_);
    }
    bool Usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    std::optional<std::string> Convert(std::string in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char out[8];
        char* inPtr = in.data();
        char* outPtr = out;
        std::size_t inLeft = in.size();
        std::size_t outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return std::nullopt;
        }
        return std::string(out, outPtr);
    }

private:
    iconv_t cd_;
};

// Every code and every unit as glibc's "CP932" maps it, except where Windows defines more: the
// single bytes 0x80, 0xA0 and 0xFD-0xFF, which glibc leaves undefined.
TEST(Cp932Test, EveryCodeAndUnitAgreesWithGlibc) {
    Glibc decoder("UTF-16LE", "CP932");
    Glibc encoder("CP932", "UTF-16LE");
    if (!decoder.Usable() || !encoder.Usable()) GTEST_SKIP() << "no iconv converter CP932";
    const auto windowsOnly = [](int byte) {
        return byte == 0x80 || byte == 0xA0 || (byte >= 0xFD && byte <= 0xFF);
    };
    int codes = 0;
    for (int code = 0; code < 0x10000; ++code) {
        const bool twoBytes = code > 0xFF;
        if (twoBytes ? !IsLeadByte(code >> 8) || !IsTrailByte(code & 0xFF) : IsLeadByte(code))
            continue;
        if (!twoBytes && windowsOnly(code)) continue;
        std::string bytes;
        if (twoBytes) bytes += static_cast<char>(code >> 8);
        bytes += static_cast<char>(code & 0xFF);
        const std::optional<std::string> utf16 = decoder.Convert(bytes);
        const char16_t expected =
            utf16 && utf16->size() == 2
                ? static_cast<char16_t>(static_cast<std::uint8_t>((*utf16)[0]) |
                                        static_cast<std::uint8_t>((*utf16)[1]) << 8)
                : kNoUnit;
        ASSERT_EQ(CharToUnit(static_cast<std::uint16_t>(code)), expected) << std::hex << code;
        if (expected != kNoUnit) ++codes;
    }
    EXPECT_EQ(codes, 191 + 7724 + 1880);
    for (int unit = 0; unit < 0x10000; ++unit) {
        const std::uint16_t code = UnitToChar(static_cast<char16_t>(unit));
        if ((unit >= 0xD800 && unit <= 0xDFFF) || (code <= 0xFF && windowsOnly(code))) continue;
        const std::optional<std::string> bytes =
            encoder.Convert({static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
        std::uint16_t expected = kNoChar;
        if (bytes && bytes->size() == 1) expected = static_cast<std::uint8_t>((*bytes)[0]);
        if (bytes && bytes->size() == 2)
            expected = static_cast<std::uint16_t>(static_cast<std::uint8_t>((*bytes)[0]) << 8 |
                                                  static_cast<std::uint8_t>((*bytes)[1]));
        ASSERT_EQ(code, expected) << std::hex << unit;
    }
}

}  // namespace
}  // namespace corvina::cp932
