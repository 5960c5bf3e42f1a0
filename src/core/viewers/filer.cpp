#include "core/viewers/filer.h"

#include <exception>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/formats/gbp.h"
#include "core/formats/player.h"
#include "core/formats/sat_tags.h"
#include "core/os/drives.h"
#include "core/os/files.h"

namespace corvina {

std::vector<TagRow> ListTagRows(const std::filesystem::path& hostFolder,
                                std::span<const std::string> names) {
    std::vector<TagRow> rows(names.size());
    std::filesystem::path path = hostFolder / "";
    for (std::size_t i = 0; i < names.size(); ++i) {
        path.replace_filename(PathFromUtf8(names[i]));
        TagBlock tags;
        try {
            tags = ReadTagBlock(path);
        } catch (const std::exception&) {
            continue;  // unreadable (locked, gone, not a file): its row stays empty
        }
        TagRow& row = rows[i];
        row[kColumnNo] = std::to_string(i + 1);
        row[kColumnFileName] = names[i];
        row[kColumnTitle] = std::move(tags.title);
        row[kColumnArtist] = std::move(tags.artist);
        row[kColumnAlbum] = std::move(tags.album);
        row[kColumnGenre] = std::move(tags.genre);
        row[kColumnTrack] = std::move(tags.track);
        row[kColumnGbpFileName] = std::move(tags.gbpFileName);
    }
    return rows;
}

bool IsPlainJacketName(std::string_view name) noexcept {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

std::optional<TagDetail> DetailOfRow(const DriveMap& drives, std::string_view folderText,
                                     const TagRow& firstRow, const TagRow& row,
                                     std::string_view deviceDrive, const DateTimeFormat& format) {
    // The panel follows the table only while its first row names a file of the listed folder.
    const std::string& firstName = firstRow[kColumnFileName];
    if (firstName.empty() || folderText.empty()) return std::nullopt;
    const auto first = drives.Resolve(JoinPath(folderText, firstName));
    if (!first || !FileExists(*first)) return std::nullopt;

    TagDetail detail;
    detail.edits = {row[kColumnTitle], row[kColumnArtist], row[kColumnAlbum], row[kColumnGenre],
                    row[kColumnTrack]};
    if (!row[kColumnFileName].empty()) {
        if (const auto path = drives.Resolve(JoinPath(folderText, row[kColumnFileName]))) {
            try {
                detail.file = TextsOfEntry(LookUpEntry(*path), format);
            } catch (const std::exception&) {
                // gone since the listing: no name, time stamp or size to show
            }
        }
    }

    const std::string& jacketName = row[kColumnGbpFileName];
    const char letter = DeviceLetter(deviceDrive);
    if (IsPlainJacketName(jacketName) && letter != '\0') {
        const std::string shown = JoinPath(JacketFolderPath(letter), jacketName);
        const auto jacket = drives.Resolve(shown);
        // Anything there but a folder counts: one that cannot be opened is an error to report.
        std::error_code ec;
        const auto type = jacket ? std::filesystem::status(*jacket, ec).type()
                                 : std::filesystem::file_type::not_found;
        if (!ec && type != std::filesystem::file_type::not_found &&
            type != std::filesystem::file_type::directory) {
            detail.jacket = *jacket;
            detail.jacketShown = shown;
        }
    }
    return detail;
}

Picture15 ReadJacketOf(const TagDetail& detail) {
    try {
        return ReadGbpPicture(detail.jacket.value(), kJacketWidth, kJacketHeight);
    } catch (const FileError& e) {
        throw FileError(e.failure(), detail.jacketShown, e.reason());
    }
}

}  // namespace corvina
