#pragma once

// The drawing kernels. Each takes the band it may write and the values it
// draws with, and nothing else; the vertices arrive in screen space with
// whole-number positions.

#include <cstdint>
#include <vector>

#include "math/vertex.h"
#include "raster/frame_target.h"

namespace trivane::raster {

// Colours of a, b and c are 0..1 and scaled to bytes here.
void drawGouraud(FrameBand& band, Vertex a, Vertex b, Vertex c);
// Perspective-correct: u, v and the colours are interpolated divided by
// depth. With fixSeam, texture coordinates that wrap around a seam are
// unwrapped first.
void drawTextured(FrameBand& band, const TexelSource& texels, bool fixSeam, Vertex a, Vertex b, Vertex c);

// The midpoint line from (x0, y0) to (x1, y1) in one colour, clipped exactly
// to columns 1 .. width - 1 and the band's rows within 1 .. height - 1.
void drawLine(FrameBand& band, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const uint8_t (&rgb)[3]);

// The readable texels of a texture file held in memory.
TexelSource texelSource(const std::vector<uint8_t>& file, const uint8_t* pixels, int32_t width, int32_t maxY,
                        int32_t stride);

}  // namespace trivane::raster
