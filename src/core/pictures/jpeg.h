#pragma once

#include <filesystem>
#include <string>

#include "core/pictures/picture.h"
#include "core/pictures/picture_rows.h"

// JPEG decoding through libjpeg, at full size and in colour.
namespace corvina {

// The message a user sees for a file libjpeg cannot decode; libjpeg's own reason follows it.
inline constexpr const char* kBadJpegText = "JPEG ファイルを読み込めません";

struct JpegReport {
    int width = 0;
    int height = 0;
    // libjpeg's warnings (damaged or missing data that it made up for); they do not fail the
    // picture. The first one's text is kept.
    int warnings = 0;
    std::string firstWarning;
};

// Decodes the file at full size and hands its rows to `sink` from the top, in RGB: grayscale
// comes out grey, CMYK and YCCK files (Adobe's inverted values or plain ones) come out in their
// right colours; baseline, progressive and arithmetic-coded files decode. Only libjpeg's own
// working memory is kept besides one row. A progressive file needs every block's coefficients
// until its last scan (two bytes per pixel and component before subsampling); beyond
// limits.maxCoefficientMemory they are kept in an unnamed temporary file, with that much in
// memory (when no temporary file can be made, they stay in memory).
// The size limits are checked after the header, before decoding starts. A progressive file whose
// coefficients would need far more room than its size could ever fill is refused too.
// Nothing is printed and the process never ends: libjpeg's errors become FormatError (text
// kBadJpegText), a read failure is FileError.
JpegReport DecodeJpeg(const std::filesystem::path& file, PictureSink& sink,
                      const PictureLimits& limits = {});

// The whole JPEG picture as a 24-bit picture (for tools and tests; the import streams instead).
Picture24 ReadJpeg(const std::filesystem::path& file, const PictureLimits& limits = {},
                   JpegReport* report = nullptr);

}  // namespace corvina
