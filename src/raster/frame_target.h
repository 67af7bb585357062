#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/frame_layout.h"

namespace trivane::raster {

// What a writer of pixels gets: the colour bytes and depth values of the
// picture and the rows it owns. Writers of different bands never touch the
// same byte, so bands can be drawn at the same time.
struct FrameBand {
    uint8_t* colour = nullptr;  // null: nothing is drawn
    float* depth = nullptr;
    int32_t rowBegin = 0;  // rows [rowBegin, rowEnd); row 0 is never drawn in
    int32_t rowEnd = kFrameHeight;

    // The draw colour holds the colour of the last pixel a fill computed. Each
    // band remembers its own last one with its place in the serial drawing
    // order (face, half, row); the latest over all bands is the serial one.
    uint64_t face = 0;  // sequence number of the face being drawn
    bool hasLast = false;
    uint64_t lastOrder = 0;
    uint8_t lastRgb[3] = {0, 0, 0};

    uint8_t* row(int32_t y) const { return frameRow(colour, y); }
    float* depthRow(int32_t y) const { return depth + static_cast<ptrdiff_t>(y) * kFrameWidth; }

    // Rows fit in 10 bits and halves in 1, so the order sorts as the serial walk.
    void noteLastColour(bool secondHalf, int32_t y, uint8_t red, uint8_t green, uint8_t blue) {
        hasLast = true;
        lastOrder = (face << 12) | (static_cast<uint64_t>(secondHalf) << 10) | static_cast<uint64_t>(y);
        lastRgb[0] = red;
        lastRgb[1] = green;
        lastRgb[2] = blue;
    }
};

// Where texels may be read: the bytes of the texture file from the first
// texel on. A texel outside the stored image is never read.
struct TexelSource {
    const uint8_t* pixels = nullptr;
    int64_t available = 0;
    int32_t width = 0;
    int32_t maxY = 0;
    int64_t stride = 0;
};

}  // namespace trivane::raster
