#include "core/pictures/picture_import.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/drives.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/jpeg.h"

namespace corvina {

// Coordinates: across, source pixel x covers [x * targetWidth, (x + 1) * targetWidth) and target
// pixel X covers [X * sourceWidth, (X + 1) * sourceWidth), so both grids span the same
// sourceWidth x targetWidth units and every overlap is a whole number. Down, likewise with the
// heights. A target pixel's sums thus carry a total weight of sourceWidth x sourceHeight.
//
// Each source row is first added, weighted by its overlap, into column sums for the target row
// it falls in (a straddling row is split between two target rows); a finished target row is then
// reduced across. Summing down first keeps the work per source pixel to one multiply-add over
// contiguous memory; the reduction across runs once per target row.
// Limits: a column sum is at most 255 x sourceHeight (< 2^23), a target sum at most
// 255 x sourceWidth x sourceHeight (< 2^37).

namespace {
constexpr std::size_t kBlock = 16;
}  // namespace

AreaScaler::AreaScaler(int width, int height) : width_(width), height_(height) {
    if (width < 1 || height < 1) throw UsageError("拡大縮小の先の画像が空です");
}

void AreaScaler::Start(int width, int height, RowOrder order) {
    if (width < 1 || height < 1) throw UsageError("拡大縮小の元の画像が空です");
    sourceWidth_ = width;
    sourceHeight_ = height;
    order_ = order;
    shares_.clear();
    const auto targetWidth = static_cast<std::uint64_t>(width_);
    const auto sourceWidth = static_cast<std::uint64_t>(width);
    std::uint64_t to = 0;
    for (std::uint64_t from = 0; from < sourceWidth; ++from) {
        std::uint64_t begin = from * targetWidth;
        const std::uint64_t end = begin + targetWidth;
        while (begin < end) {
            const std::uint64_t boundary = (to + 1) * sourceWidth;
            const std::uint64_t stop = std::min(end, boundary);
            shares_.push_back({static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to),
                               static_cast<std::uint32_t>(stop - begin)});
            begin = stop;
            if (begin == boundary) ++to;
        }
    }
    columnSums_.assign(static_cast<std::size_t>(width) * 3, 0);
    rowSums_.assign(static_cast<std::size_t>(width_) * 3, 0);
    position_ = 0;
    rowsEmitted_ = 0;
    rowsSeen_ = 0;
    result_ = Picture24(width_, height_);
}

void AreaScaler::Row(std::span<const std::uint8_t> rgb) {
    if (rowsSeen_ >= sourceHeight_) throw std::logic_error("more rows than the picture has");
    const std::size_t count = columnSums_.size();
    if (rgb.size() < count) throw std::logic_error("row shorter than the picture's width");
    ++rowsSeen_;

    const std::uint8_t* __restrict source = rgb.data();
    std::uint32_t* __restrict sums = columnSums_.data();
    const auto targetHeight = static_cast<std::uint64_t>(height_);
    const auto sourceHeight = static_cast<std::uint64_t>(sourceHeight_);
    std::uint64_t begin = position_;
    const std::uint64_t end = begin + targetHeight;
    while (begin < end) {
        const std::uint64_t boundary = static_cast<std::uint64_t>(rowsEmitted_ + 1) * sourceHeight;
        const std::uint64_t stop = std::min(end, boundary);
        const auto weight = static_cast<std::uint32_t>(stop - begin);
        // Blocks of a fixed length, copied to a local first so that the compiler knows they
        // do not overlap the sums, and turns the loop into vector instructions.
        std::size_t i = 0;
        for (; i + kBlock <= count; i += kBlock) {
            std::uint8_t block[kBlock];
            std::memcpy(block, source + i, kBlock);
            for (std::size_t k = 0; k < kBlock; ++k) sums[i + k] += weight * block[k];
        }
        for (; i < count; ++i) sums[i] += weight * source[i];
        begin = stop;
        if (begin == boundary) EmitRow();
    }
    position_ = end;
}

void AreaScaler::EmitRow() {
    const std::uint32_t* sums = columnSums_.data();
    std::uint64_t* totals = rowSums_.data();
    for (const Share& share : shares_) {
        const std::uint32_t* s = sums + std::size_t{share.from} * 3;
        std::uint64_t* t = totals + std::size_t{share.to} * 3;
        t[0] += std::uint64_t{share.weight} * s[0];
        t[1] += std::uint64_t{share.weight} * s[1];
        t[2] += std::uint64_t{share.weight} * s[2];
    }
    const std::uint64_t total =
        static_cast<std::uint64_t>(sourceWidth_) * static_cast<std::uint64_t>(sourceHeight_);
    const int y = order_ == RowOrder::kTopDown ? rowsEmitted_ : height_ - 1 - rowsEmitted_;
    std::uint8_t* out = result_.at(0, y);
    for (std::size_t i = 0; i < rowSums_.size(); ++i) {
        out[i] = static_cast<std::uint8_t>((rowSums_[i] + total / 2) / total);
    }
    std::fill(rowSums_.begin(), rowSums_.end(), 0);
    std::fill(columnSums_.begin(), columnSums_.end(), 0);
    ++rowsEmitted_;
}

Picture24 AreaScaler::Finish() {
    if (sourceHeight_ == 0 || rowsEmitted_ != height_)
        throw std::logic_error("the stretch has not seen every row");
    return std::move(result_);
}

Picture24 StretchPicture(const Picture24& picture, int width, int height) {
    AreaScaler scaler(width, height);
    scaler.Start(picture.width(), picture.height(), RowOrder::kTopDown);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width()) * 3;
    for (int y = 0; y < picture.height(); ++y) scaler.Row(std::span(picture.at(0, y), rowBytes));
    return scaler.Finish();
}

Picture15 ReducePicture(const Picture24& picture) {
    Picture15 result(picture.width(), picture.height());
    const std::uint8_t* p = picture.bytes().data();
    for (std::uint16_t& value : result.pixels()) {
        value = Reduce15(p[0], p[1], p[2]);
        p += 3;
    }
    return result;
}

bool IsJpegFileName(const std::filesystem::path& file) {
    const std::string extension = ExtensionOf(Utf8FromPath(file));
    return extension == ".JPG" || extension == ".jpg";
}

Picture24 ImportPicture24(const std::filesystem::path& file, int width, int height,
                          const PictureLimits& limits) {
    AreaScaler scaler(width, height);
    if (IsJpegFileName(file)) {
        DecodeJpeg(file, scaler, limits);
    } else {
        DecodeBitmap(file, scaler, limits);
    }
    return scaler.Finish();
}

Picture15 ImportPicture(const std::filesystem::path& file, int width, int height) {
    return ReducePicture(ImportPicture24(file, width, height));
}

}  // namespace corvina
