#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/pictures/picture.h"
#include "core/pictures/picture_rows.h"

// Picture import: a JPEG or Windows bitmap file made into a 15-bit picture of an exact size.
namespace corvina {

// Reads the picture file, stretches it to exactly width x height without keeping proportions
// (area averaging of the full-size picture), and keeps the top five bits of each channel.
// The file's extension decides the decoder: exactly ".JPG" or ".jpg" is JPEG; anything else,
// ".Jpg", ".jpeg" and no extension included, is a Windows bitmap. The picture is reduced while
// it is decoded, so memory does not grow with the source picture's size.
// Throws FileError when the file cannot be read and FormatError when it is damaged or is not
// what its extension says.
Picture15 ImportPicture(const std::filesystem::path& file, int width, int height);

// The same import before the 15-bit reduction: the stretched 24-bit picture.
Picture24 ImportPicture24(const std::filesystem::path& file, int width, int height,
                          const PictureLimits& limits = {});

// True when the file name's extension is exactly ".JPG" or ".jpg".
bool IsJpegFileName(const std::filesystem::path& file);

// The halftone stretch as a row consumer: area averaging of the rows it is handed onto a
// width x height picture. Each target pixel is the average of the source area it covers, every
// source pixel weighted by the fraction of it inside that area, rounded to the nearest value.
// Besides the result it keeps one row of column sums (four bytes per source sample), whatever
// the source's height.
class AreaScaler final : public PictureSink {
public:
    AreaScaler(int width, int height);  // the target size, both at least 1

    void Start(int width, int height, RowOrder order) override;
    void Row(std::span<const std::uint8_t> rgb) override;

    // The stretched picture; throws std::logic_error when rows are missing.
    Picture24 Finish();

private:
    struct Share {  // source pixel `from` covers `weight` units of target pixel `to`
        std::uint32_t from;
        std::uint32_t to;
        std::uint32_t weight;
    };
    void EmitRow();

    int width_;
    int height_;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    RowOrder order_ = RowOrder::kTopDown;
    std::vector<Share> shares_;
    std::vector<std::uint32_t> columnSums_;  // the target row being filled: source width x 3
    std::vector<std::uint64_t> rowSums_;     // the same reduced across: target width x 3
    std::uint64_t position_ = 0;             // source rows done x target height
    int rowsEmitted_ = 0;
    int rowsSeen_ = 0;
    Picture24 result_;
};

// The halftone stretch of a picture in memory.
Picture24 StretchPicture(const Picture24& picture, int width, int height);

// The 15-bit reduction: the top five bits of each channel.
Picture15 ReducePicture(const Picture24& picture);

}  // namespace corvina
