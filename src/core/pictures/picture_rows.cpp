#include "core/pictures/picture_rows.h"

#include <algorithm>
#include <stdexcept>

namespace corvina {

void Picture24Sink::Start(int width, int height, RowOrder order) {
    picture_ = Picture24(width, height);
    order_ = order;
    rowsDone_ = 0;
}

void Picture24Sink::Row(std::span<const std::uint8_t> rgb) {
    const int height = picture_.height();
    if (rowsDone_ >= height) throw std::logic_error("more rows than the picture has");
    const int y = order_ == RowOrder::kTopDown ? rowsDone_ : height - 1 - rowsDone_;
    const std::size_t rowBytes = static_cast<std::size_t>(picture_.width()) * 3;
    std::copy_n(rgb.begin(), std::min(rowBytes, rgb.size()), picture_.at(0, y));
    ++rowsDone_;
}

void CheckPictureSize(std::int64_t width, std::int64_t height, const PictureLimits& limits,
                      const std::string& what, const std::string& file) {
    if (width < 1 || height < 1) {
        throw FormatError(what, file,
                          "画像の大きさが正しくありません (" + std::to_string(width) + "x" +
                              std::to_string(height) + ")");
    }
    if (width > limits.maxSide || height > limits.maxSide) {
        throw FormatError(what, file,
                          "画像が大きすぎます (" + std::to_string(width) + "x" +
                              std::to_string(height) + "、一辺は " +
                              std::to_string(limits.maxSide) + " ピクセルまで)");
    }
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > limits.maxPixels) {
        throw FormatError(what, file,
                          "画像が大きすぎます (" + std::to_string(width) + "x" +
                              std::to_string(height) + "、全体で " +
                              std::to_string(limits.maxPixels) + " ピクセルまで)");
    }
}

}  // namespace corvina
