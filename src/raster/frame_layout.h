#pragma once

// The one place that knows how the colour buffer is laid out: three bytes a
// pixel in the order blue, green, red, rows padded to four bytes, row 0 at the
// bottom of the picture. The classic picture is 800 x 600, 2400 bytes a row.
// Everything that reads or writes pixels (the fills, the text painter, the
// PNG writer, the screen copy) goes through these, so the order is written
// down once.

#include <cstddef>
#include <cstdint>

namespace trivane {

constexpr int32_t kFrameWidth = 800;
constexpr int32_t kFrameHeight = 600;
constexpr int32_t kFrameStride = 2400;  // (3 * 800 + 3) & ~3, no padding
constexpr size_t kFrameBytes = static_cast<size_t>(kFrameStride) * kFrameHeight;

// The sizes a picture may have, each way.
constexpr int32_t kMinPictureSide = 16;
constexpr int32_t kMaxPictureSide = 8192;

// Bytes in a row of a picture `width` pixels wide.
constexpr int32_t strideOf(int32_t width) { return (width * 3 + 3) & ~3; }

// A picture's pixels as stored.
struct FramePixels {
    uint8_t* bits = nullptr;  // null: there is no picture
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    size_t bytes() const { return static_cast<size_t>(stride) * static_cast<size_t>(height); }
    // Row y counted from the bottom, as stored.
    uint8_t* row(int32_t y) const { return bits + static_cast<ptrdiff_t>(y) * stride; }
    // Row `top` counted from the top, as a person sees the picture.
    uint8_t* rowFromTop(int32_t top) const { return row(height - 1 - top); }
};

// One pixel's bytes from its red, green and blue.
constexpr void storeRgb(uint8_t* pixel, uint8_t red, uint8_t green, uint8_t blue) {
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
}
constexpr uint8_t redOf(const uint8_t* pixel) { return pixel[2]; }
constexpr uint8_t greenOf(const uint8_t* pixel) { return pixel[1]; }
constexpr uint8_t blueOf(const uint8_t* pixel) { return pixel[0]; }

}  // namespace trivane
