#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/base/errors.h"
#include "core/pictures/picture.h"

// The row interface between the picture decoders (bitmap, JPEG) and what consumes their rows
// (the import's scaler, or a whole Picture24 for tests and tools). Decoders hand over one row at
// a time, so a consumer decides how much of the picture it keeps.
namespace corvina {

// Size and memory limits for a picture read from a file, checked against the header before any
// allocation that depends on it. Tools that must test parsing rather than memory (fuzzers) pass
// smaller ones.
struct PictureLimits {
    int maxSide = 32768;                               // pixels on either side
    std::uint64_t maxPixels = std::uint64_t{1} << 28;  // width x height
    // Bytes of a progressive (multi-scan) JPEG's coefficients kept in memory; above this they go
    // to an unnamed temporary file, so that memory does not grow with the picture.
    std::uint64_t maxCoefficientMemory = std::uint64_t{4} << 20;
};

enum class RowOrder {
    kTopDown,   // the first row handed over is the picture's top row
    kBottomUp,  // the first row handed over is the picture's bottom row (most bitmaps)
};

class PictureSink {
public:
    virtual ~PictureSink() = default;

    // Called once, before the first row, with the picture's size (both at least 1).
    virtual void Start(int width, int height, RowOrder order) = 0;

    // One row of `width` pixels, three bytes each (red, green, blue). Called exactly `height`
    // times after Start, in the order Start announced. The bytes are valid only during the call.
    virtual void Row(std::span<const std::uint8_t> rgb) = 0;
};

// Keeps the whole picture, rows from the top: for tools and tests, not for the import.
class Picture24Sink : public PictureSink {
public:
    void Start(int width, int height, RowOrder order) override;
    void Row(std::span<const std::uint8_t> rgb) override;

    // The picture; rows never handed over stay black.
    Picture24& picture() noexcept { return picture_; }

private:
    Picture24 picture_;
    RowOrder order_ = RowOrder::kTopDown;
    int rowsDone_ = 0;
};

// Throws FormatError(what, file, ...) when width x height breaks `limits` or either side is
// below 1. `what` is the caller's program text for the kind of file.
void CheckPictureSize(std::int64_t width, std::int64_t height, const PictureLimits& limits,
                      const std::string& what, const std::string& file);

}  // namespace corvina
