#pragma once

// The drawing kernels. Each takes the band it may write and the values it
// draws with, and nothing else; the vertices arrive in screen space with
// whole-number positions.

#include <cstdint>
#include <vector>

#include "math/vertex.h"
#include "raster/frame_target.h"
#include "raster/row_setup.h"

namespace trivane::raster {

// Colours of a, b and c are 0..1 and scaled to bytes here.
void drawGouraud(FrameBand& band, Vertex a, Vertex b, Vertex c);

// Gouraud triangles drawn one after another into one band, exactly as
// drawGouraud draws each: the rows of short halves wait in a queue, and are
// set up several at a time and drawn in order when it fills, before any
// longer half is drawn and at flush().
class GouraudTriangles {
public:
    explicit GouraudTriangles(FrameBand& band);
    ~GouraudTriangles() { flush(); }
    GouraudTriangles(const GouraudTriangles&) = delete;
    GouraudTriangles& operator=(const GouraudTriangles&) = delete;

    void draw(Vertex a, Vertex b, Vertex c);
    // Draws every row still waiting; call it before anything else draws
    // into the band.
    void flush();

private:
    void fillHalf(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                  const HalfDepths& q);

    FrameBand& band_;
    bool queueing_;
    QueuedRows queue_;
};
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
