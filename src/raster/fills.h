#pragma once

// The drawing kernels. Each takes the band it may write and the values it
// draws with, and nothing else; the vertices arrive in screen space with
// whole-number positions.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "math/vertex.h"
#include "raster/frame_target.h"
#include "raster/row_setup.h"

namespace trivane::raster {

// Colours of a, b and c are 0..1 and scaled to bytes here.
void drawGouraud(FrameBand& band, Vertex a, Vertex b, Vertex c);

// Gouraud rows kept for drawing again, in blocks that stay allocated from
// one recording to the next.
class KeptRows {
public:
    static constexpr size_t kBlockRows = 4096;
    size_t size() const { return size_; }
    const RowStart<4>& operator[](size_t i) const { return blocks_[i / kBlockRows][i % kBlockRows]; }

private:
    friend class RowRecord;
    std::vector<std::unique_ptr<RowStart<4>[]>> blocks_;
    size_t size_ = 0;
};

// Rows as a band draws them, into KeptRows, so that the same rows can be
// drawn again without setting them up. The budget, shared by the bands of a
// frame, counts the rows all their blocks may hold, so what is kept never
// takes more than it: a band whose blocks it cannot pay for gives its record
// up.
class RowRecord {
public:
    RowRecord(KeptRows& rows, std::atomic<int64_t>& budget) : rows_(rows), budget_(budget) {
        rows_.size_ = 0;
        if (!take(static_cast<int64_t>(rows_.blocks_.size() * KeptRows::kBlockRows))) rows_.blocks_.clear();
    }
    void add(const RowStart<4>& row) {
        if (givenUp_) return;
        const size_t block = rows_.size_ / KeptRows::kBlockRows;
        if (block == rows_.blocks_.size()) {
            if (!take(KeptRows::kBlockRows)) return giveUp();
            rows_.blocks_.push_back(std::make_unique<RowStart<4>[]>(KeptRows::kBlockRows));
        }
        rows_.blocks_[block][rows_.size_ % KeptRows::kBlockRows] = row;
        ++rows_.size_;
    }
    void giveUp() { givenUp_ = true; }
    bool complete() const { return !givenUp_; }

private:
    bool take(int64_t rows) {
        if (budget_.fetch_sub(rows, std::memory_order_relaxed) >= rows) return true;
        budget_.fetch_add(rows, std::memory_order_relaxed);
        return false;
    }

    KeptRows& rows_;
    std::atomic<int64_t>& budget_;
    bool givenUp_ = false;
};

// Draws the rows a RowRecord kept, in order.
void drawGouraudRows(FrameBand& band, const KeptRows& rows);

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
    QueuedRows<3> queue_;
};
// Perspective-correct: u, v and the colours are interpolated divided by
// depth. With fixSeam, texture coordinates that wrap around a seam are
// unwrapped first.
void drawTextured(FrameBand& band, const TexelSource& texels, bool fixSeam, Vertex a, Vertex b, Vertex c);

// Textured triangles drawn one after another into one band, exactly as
// drawTextured draws each, their short rows queued as GouraudTriangles
// queues them.
class TexturedTriangles {
public:
    TexturedTriangles(FrameBand& band, const TexelSource& texels, bool fixSeam);
    ~TexturedTriangles() { flush(); }
    TexturedTriangles(const TexturedTriangles&) = delete;
    TexturedTriangles& operator=(const TexturedTriangles&) = delete;

    void draw(Vertex a, Vertex b, Vertex c);
    // Draws every row still waiting; call it before anything else draws
    // into the band.
    void flush();
    // Triangles from here on show these texels; rows waiting keep theirs.
    void useTexels(const TexelSource& texels);

private:
    void fillHalf(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                  const HalfDepths& q);

    FrameBand& band_;
    TexelSource texels_;
    bool fixSeam_;
    bool queueing_;
    QueuedRows<5> queue_;
};

// The midpoint line from (x0, y0) to (x1, y1) in one colour, clipped exactly
// to columns 1 .. width - 1 and the band's rows within 1 .. height - 1.
void drawLine(FrameBand& band, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const uint8_t (&rgb)[3]);

// The readable texels of a texture file held in memory.
TexelSource texelSource(const std::vector<uint8_t>& file, const uint8_t* pixels, int32_t width, int32_t maxY,
                        int32_t stride);

}  // namespace trivane::raster
