#pragma once

#include <string_view>

// Comparing names ignoring case, as FAT and Windows compare file names: ASCII letters and the
// simple case pairs of Latin-1, Latin Extended-A, Greek, Cyrillic and the full-width Latin
// letters. Names are UTF-8; a byte that is not part of a well-formed sequence compares as
// itself, after every real character.
namespace corvina {

// ASCII letters alone, for drive letters and the code page's single-byte names; every other
// byte is returned as it is.
constexpr bool IsAsciiLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr char AsciiToLower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiToUpper(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The lower-case partner of a code point, or the code point itself.
char32_t FoldCase(char32_t codePoint) noexcept;

// Negative, zero or positive as `a` sorts before, with or after `b`, ignoring case.
int CompareIgnoringCase(std::string_view a, std::string_view b) noexcept;

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) noexcept {
    return CompareIgnoringCase(a, b) == 0;
}

// The order of names in every list of the program: ignoring case, then by bytes, so that names
// differing only in case keep one fixed order.
inline bool NameOrder(std::string_view a, std::string_view b) noexcept {
    const int order = CompareIgnoringCase(a, b);
    return order != 0 ? order < 0 : a < b;
}

}  // namespace corvina
