#pragma once

#include <array>
#include <string_view>

// The filer page's tag table.
namespace corvina {

// The header row, and the column widths in pixels.
inline constexpr std::array<std::string_view, 8> kTagTableHeaders = {
    "No", "FileName", "Title", "Artist", "Album", "Genre", "Track", "GBP FileName"};
inline constexpr std::array<int, 8> kTagTableWidths = {31, 135, 133, 110, 128, 61, 38, 138};

}  // namespace corvina
