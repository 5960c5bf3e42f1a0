#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8, the program's text inside.
namespace corvina {

// Reads one character of `text` at `pos` and moves `pos` past it. A malformed byte is returned
// as 0x110000 + its value and skipped alone. `pos` must be below text.size().
char32_t NextCodePoint(std::string_view text, std::size_t& pos) noexcept;

// The most bytes one code point takes in UTF-8.
inline constexpr std::size_t kMaxUtf8Length = 4;

// Writes the UTF-8 encoding of a code point to `out`, which has room for kMaxUtf8Length bytes,
// and returns its length (the same replacements as AppendUtf8; below U+10000 it is at most 3).
std::size_t EncodeUtf8(char32_t codePoint, char* out) noexcept;

// Appends the UTF-8 encoding of a code point (U+0000 to U+10FFFF; surrogates and anything
// larger become U+FFFD).
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace corvina
