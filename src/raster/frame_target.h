#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/frame_layout.h"
#include "raster/triangle_setup.h"

namespace trivane::raster {

// What a writer of pixels gets: the colour bytes and depth values of the
// picture, its size, and the rows it owns. Writers of different bands never
// touch the same byte, so bands can be drawn at the same time.
struct FrameBand {
    uint8_t* colour = nullptr;  // null: nothing is drawn
    float* depth = nullptr;
    int32_t rowBegin = 0;  // rows [rowBegin, rowEnd); row 0 is never drawn in
    int32_t rowEnd = kFrameHeight;
    int32_t width = kFrameWidth;
    int32_t height = kFrameHeight;
    ptrdiff_t stride = kFrameStride;

    uint8_t* row(int32_t y) const { return colour + static_cast<ptrdiff_t>(y) * stride; }
    float* depthRow(int32_t y) const { return depth + static_cast<ptrdiff_t>(y) * width; }
    RowWindow window() const { return RowWindow{rowBegin, rowEnd, height, width - 1}; }
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

namespace trivane {

// The picture being drawn: its colour bytes and depth and their size.
// frameBits points into frameStorage once the picture is created.
struct FrameTarget {
    uint8_t* frameBits = nullptr;  // first byte, row 0 = bottom
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t frameStride = 0;
    std::vector<float> zBuffer;  // reciprocal depth, 0 = empty, a float a pixel
    // Off only where nobody looks at the picture (fuzzing), since clearing is
    // most of the time of a frame with few faces.
    bool clearFrame = true;
    std::vector<uint8_t> frameStorage;
};

// A black picture of that size with an empty depth buffer; a size outside
// kMinPictureSide..kMaxPictureSide either way leaves no picture (frameBits
// null).
void createFrameBitmap(FrameTarget& target, int32_t width, int32_t height);
// The picture's pixels and size.
FramePixels pixelsOf(FrameTarget& target);
// The whole picture as one band.
raster::FrameBand wholeFrame(FrameTarget& target);

}  // namespace trivane
