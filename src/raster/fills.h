#pragma once

// The drawing kernels. Each takes the band it may write and the values it
// draws with, and nothing else; the vertices arrive in screen space with
// whole-number positions.

#include <atomic>
#include <cstdint>
#include <vector>

#include "math/vertex.h"
#include "raster/frame_target.h"
#include "raster/row_setup.h"

namespace trivane::raster {

// Colours of a, b and c are 0..1 and scaled to bytes here.
void drawGouraud(FrameBand& band, Vertex a, Vertex b, Vertex c);

// Rows as a band drew them, kept so that the same rows can be drawn again
// without setting them up: appended to `rows` until the budget (shared by
// the bands of a frame, taken a block at a time) is spent, when the record
// is given up.
class RowRecord {
public:
    RowRecord(std::vector<RowStart<4>>& rows, std::atomic<int64_t>& budget) : rows_(rows), budget_(budget) {
        rows_.clear();
    }
    void add(const RowStart<4>& row) {
        if (givenUp_) return;
        if (quota_ == 0 && (quota_ = take()) == 0) return giveUp();
        --quota_;
        rows_.push_back(row);
    }
    void giveUp() { givenUp_ = true; }
    bool complete() const { return !givenUp_; }

private:
    int64_t take() {
        constexpr int64_t kBlock = 4096;
        return budget_.fetch_sub(kBlock, std::memory_order_relaxed) >= kBlock ? kBlock : 0;
    }

    std::vector<RowStart<4>>& rows_;
    std::atomic<int64_t>& budget_;
    int64_t quota_ = 0;
    bool givenUp_ = false;
};

// Draws rows a RowRecord kept, in order.
void drawGouraudRows(FrameBand& band, const std::vector<RowStart<4>>& rows);

// Gouraud triangles drawn one after another into one band, exactly as
// drawGouraud draws each: the rows of short halves wait in a queue, and are
// set up several at a time and drawn in order when it fills, before any
// longer half is drawn and at flush(). Every row drawn goes to the record,
// if there is one.
class GouraudTriangles {
public:
    explicit GouraudTriangles(FrameBand& band, RowRecord* record = nullptr);
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
    RowRecord* record_;
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
