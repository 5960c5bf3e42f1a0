#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/datetime.h"
#include "core/pictures/picture.h"
#include "core/viewers/file_entry_text.h"

namespace corvina {

class DriveMap;

// The filer page's tag table.

// The header row, and the column widths in pixels.
inline constexpr std::array<std::string_view, 8> kTagTableHeaders = {
    "No", "FileName", "Title", "Artist", "Album", "Genre", "Track", "GBP FileName"};
inline constexpr std::array<int, 8> kTagTableWidths = {31, 135, 133, 110, 128, 61, 38, 138};

enum TagColumn : std::size_t {
    kColumnNo,
    kColumnFileName,
    kColumnTitle,
    kColumnArtist,
    kColumnAlbum,
    kColumnGenre,
    kColumnTrack,
    kColumnGbpFileName,
};

// One data row of the table, a text per column.
using TagRow = std::array<std::string, kTagTableHeaders.size()>;

// The rows of a listing: one per name of the file list, in list order, read from the files of
// `hostFolder` (the file list's folder on the host; the names are spelt as on disk). A file whose
// tag block cannot be read gets an empty row and the listing goes on. Only the tag blocks are
// read.
std::vector<TagRow> ListTagRows(const std::filesystem::path& hostFolder,
                                std::span<const std::string> names);

// What the detail panel shows for a row.
struct TagDetail {
    std::array<std::string, 5> edits;  // Edit1 to Edit5: title, artist, album, genre, track
    // The row's file as the file search finds it; nothing when the file is gone (or the row is
    // empty).
    std::optional<EntryTexts> file;
    // The host path of the jacket picture to show; nothing shows the placeholder.
    std::optional<std::filesystem::path> jacket;
    // The jacket picture as the lists name it ("F:\GBSYSTEM\IMAGE\<name>").
    std::string jacketShown;
};

// The detail view of `row`. `folderText` is the file list's folder. Nothing (the panel stays as
// it was) unless `firstRow`, the table's first data row, names a file of that folder. The jacket
// comes from GBSYSTEM\IMAGE of the player's drive (the first character of `deviceDrive`),
// whatever folder is browsed; a name that could point elsewhere, a missing file or an unknown
// drive give the placeholder.
std::optional<TagDetail> DetailOfRow(const DriveMap& drives, std::string_view folderText,
                                     const TagRow& firstRow, const TagRow& row,
                                     std::string_view deviceDrive,
                                     const DateTimeFormat& format = {});

// The jacket picture of a detail that has one. A FileError names it as jacketShown does.
Picture15 ReadJacketOf(const TagDetail& detail);

// True for a jacket name read from a SAT file that stays inside the jacket folder: not empty,
// and without a separator, a drive colon or "..".
bool IsPlainJacketName(std::string_view name) noexcept;

}  // namespace corvina
