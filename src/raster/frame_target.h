#pragma once

#include <cstddef>
#include <cstdint>

#include "math/vertex.h"
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

namespace trivane {

enum RenderMode : int32_t { Wire = 1, Mapping = 2, Gouraud = 3 };

// The picture being drawn: its colour bytes and depth, their size, the
// colour the pixel writer stores, and how faces are drawn. frameBits points
// into frameStorage once the picture is created; only 800 x 600 exists.
struct FrameTarget {
    uint8_t* frameBits = nullptr;  // first byte, row 0 = bottom
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t frameStride = 0;
    float zBuffer[kDepthCount] = {};  // reciprocal depth, 0 = empty
    uint8_t drawColor[3] = {0, 0, 0};  // red, green, blue
    int32_t renderMode = 0;
    uint8_t fixTextureSeam = 0;
    int32_t presentWidth = 0, presentHeight = 0;
    // Off only where nobody looks at the picture (fuzzing), since clearing is
    // most of the time of a frame with few faces.
    bool clearFrame = true;
    uint8_t frameStorage[kFrameBytes] = {};

    // Only 800 x 600 exists; any other size leaves frameBits null.
    void createFrameBitmap(int32_t width, int32_t height);
    // The whole picture as one band, for drawing outside a frame.
    raster::FrameBand wholeFrame();
    // Takes the last colour a band's fills computed into drawColor.
    void keepLastColour(const raster::FrameBand& band);

    // Fixed bounds, not the size fields: column 0 and row 0 are never written.
    void putPixel(int32_t x, int32_t y) {
        if (x <= 0 || x >= 800 || y <= 0 || y >= 600 || frameBits == nullptr) return;
        storeRgb(frameRow(frameBits, y) + 3 * x, drawColor[0], drawColor[1], drawColor[2]);
    }
    // In drawColor.
    void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void drawGouraudTriangle(Vertex a, Vertex b, Vertex c, int32_t faceIndex);
    void fillGouraudApexFirst(Vertex left, Vertex right, Vertex apex);
    void fillGouraudApexLast(Vertex left, Vertex right, Vertex apex);
};

}  // namespace trivane
