#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Code page 932, the Japanese ANSI code page, as Microsoft's table defines it (NEC row 13, NEC
// selected IBM extensions and IBM extensions included). Inside the program text is UTF-8; this
// code page appears only where a file is defined in it (SAT text fields, the settings file).
namespace corvina::cp932 {

// True for the bytes that start a two-byte character: 0x81-0x9F and 0xE0-0xFC.
bool IsLeadByte(std::uint8_t byte) noexcept;

// One character of code page 932 to its UTF-16 unit. `code` is the byte value of a one-byte
// character (0x00-0xFF) or lead * 256 + trail for a two-byte one. A code without a counterpart
// in the table gives kNoUnit.
inline constexpr char16_t kNoUnit = 0xFFFF;
char16_t CharToUnit(std::uint16_t code) noexcept;

// One UTF-16 unit to its character in code page 932, the code Windows' WideCharToMultiByte picks
// for a unit that several codes share: one or two bytes as a code (lead * 256 + trail for two).
// A unit without a counterpart gives kNoChar.
inline constexpr std::uint16_t kNoChar = 0xFFFF;
std::uint16_t UnitToChar(char16_t unit) noexcept;

// Whole strings. Utf8ToCp932: every character without a counterpart becomes "?" (one byte);
// malformed UTF-8 bytes become "?" too. Cp932ToUtf8: a byte sequence without a counterpart
// (an unused lead/trail pair, a lead byte at the end) becomes U+FFFD.
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

// The character of a UTF-16 unit as read from a file, in UTF-8: the unit goes through code page
// 932 and back, as Windows does when it turns a unit into an ANSI text; a unit without a
// counterpart keeps its own character (a lone surrogate becomes U+FFFD).
std::string UnitToUtf8(char16_t unit);

// The UTF-16 units of a UTF-8 text as it is written to a file: each character goes through code
// page 932 ("?" where it has no counterpart), then each code page character becomes one unit.
std::u16string Utf8ToUnits(std::string_view utf8);

// Appends the UTF-8 encoding of a code point (U+0000 to U+10FFFF; surrogates become U+FFFD).
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace corvina::cp932
