#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/utf8.h"

// Code page 932, the Japanese ANSI code page, as Microsoft's table defines it (NEC row 13, NEC
// selected IBM extensions, IBM extensions and the user-defined area 0xF040-0xF9FC as
// U+E000-U+E757 included). Inside the program text is UTF-8; this code page appears only where a
// file is defined in it (SAT text fields, the settings file).
//
// The single bytes outside JIS map as Microsoft's table and Windows' MultiByteToWideChar map them,
// both ways: 0x80 is U+0080, 0xA0 is U+F8F0 and 0xFD, 0xFE, 0xFF are U+F8F1, U+F8F2, U+F8F3.
//
// The tables are constants generated from Microsoft's table of the code page
// (scripts/make-cp932-tables.py writes cp932_tables.inc).
namespace corvina::cp932 {

// True for the bytes that start a two-byte character: 0x81-0x9F and 0xE0-0xFC.
bool IsLeadByte(std::uint8_t byte) noexcept;

// True for the bytes that can end a two-byte character: 0x40-0x7E and 0x80-0xFC. A lead byte
// followed by any other byte is a character of its own (without a counterpart), and the other
// byte starts the next character; so CR, LF, NUL, blanks, '=' and ';' never hide inside a
// two-byte character, while '[', ']', '\' and the ASCII letters can be its second byte.
bool IsTrailByte(std::uint8_t byte) noexcept;

// The length in bytes (1 or 2) of the character that starts at text[0]; text must not be empty.
std::size_t CharLength(std::string_view text) noexcept;

// One character of code page 932 to its UTF-16 unit. `code` is the byte value of a one-byte
// character (0x00-0xFF) or lead * 256 + trail for a two-byte one. A code without a counterpart
// in the table gives kNoUnit.
inline constexpr char16_t kNoUnit = 0xFFFF;
char16_t CharToUnit(std::uint16_t code) noexcept;

// One UTF-16 unit to its character in code page 932, the code Windows' WideCharToMultiByte picks
// for a unit that several codes share: one or two bytes as a code (lead * 256 + trail for two).
// Where several codes share a unit, Windows picks the JIS X 0208 code first, then NEC row 13
// (0x87xx), then the IBM extensions (0xFA40-0xFC4B) before the NEC selected ones (0xED40-0xEEFC).
// A few units that have no code of their own stand for their JIS look-alike: U+00A2, U+00A3,
// U+00A5 (as 0x5C) and U+00AC, as Windows' best fit maps them, and U+2014, U+2016, U+203E (as
// 0x7E), U+2212 and U+301C (what other systems type for ～ U+FF5E). Windows has no mapping for the
// last five; ours is the C library's, since a Linux input method types U+301C for the wave dash.
// A unit without a counterpart gives kNoChar.
inline constexpr std::uint16_t kNoChar = 0xFFFF;
std::uint16_t UnitToChar(char16_t unit) noexcept;

// The character that text going into the code page takes for a unit: UnitToChar's, or else
// Windows' best-fit character, one character for one (é as e, Æ as A, ゔ as ヴ), or kNoChar.
std::uint16_t BestFitChar(char16_t unit) noexcept;

// Whole strings. Utf8ToCp932: every character takes its BestFitChar, "?" (one byte) where it
// has none; each byte of malformed UTF-8 becomes "?" too. Cp932ToUtf8: a character without a
// counterpart (an unused lead/trail pair, a lead byte not followed by a trail byte) becomes U+FFFD.
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

// The character of a UTF-16 unit as read from a file, in UTF-8: the unit goes through code page
// 932 and back, as Windows does when it turns a unit into an ANSI text; a unit without a
// counterpart keeps its own character (a lone surrogate becomes U+FFFD).
std::string UnitToUtf8(char16_t unit);

// The UTF-16 units of a UTF-8 text as it is written to a file: each character goes through code
// page 932 as Utf8ToCp932 writes it, then each code page character becomes one unit.
std::u16string Utf8ToUnits(std::string_view utf8);

using corvina::AppendUtf8;

}  // namespace corvina::cp932
