#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/base/errors.h"

// In-memory pictures, rows from the top, each row from left to right.
namespace corvina {

// The 15-bit picture: one 16-bit value per pixel, bit 15 zero, red in bits 14-10, green 9-5,
// blue 4-0.
class Picture15 {
public:
    Picture15() = default;
    Picture15(int width, int height) : width_(width), height_(height) {
        if (width < 0 || height < 0) throw UsageError("画像の大きさが負です");
        pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    }

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    bool empty() const noexcept { return pixels_.empty(); }

    std::uint16_t at(int x, int y) const { return pixels_[Index(x, y)]; }
    void set(int x, int y, std::uint16_t value) { pixels_[Index(x, y)] = value; }

    // All pixels, row after row from the top.
    const std::vector<std::uint16_t>& pixels() const noexcept { return pixels_; }
    std::vector<std::uint16_t>& pixels() noexcept { return pixels_; }

    friend bool operator==(const Picture15&, const Picture15&) = default;

private:
    std::size_t Index(int x, int y) const noexcept {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint16_t> pixels_;
};

// The 24-bit working picture: three bytes per pixel in the order red, green, blue.
class Picture24 {
public:
    Picture24() = default;
    Picture24(int width, int height) : width_(width), height_(height) {
        if (width < 0 || height < 0) throw UsageError("画像の大きさが負です");
        bytes_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    }

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    bool empty() const noexcept { return bytes_.empty(); }

    // The three bytes (red, green, blue) of pixel (x, y).
    std::uint8_t* at(int x, int y) noexcept { return bytes_.data() + Index(x, y); }
    const std::uint8_t* at(int x, int y) const noexcept { return bytes_.data() + Index(x, y); }

    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
    std::vector<std::uint8_t>& bytes() noexcept { return bytes_; }

    friend bool operator==(const Picture24&, const Picture24&) = default;

private:
    std::size_t Index(int x, int y) const noexcept {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)) *
               3;
    }
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// The 15-bit value of an 8-bit-per-channel colour: the top five bits of each channel.
constexpr std::uint16_t Reduce15(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept {
    return static_cast<std::uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

}  // namespace corvina
