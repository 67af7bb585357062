#pragma once

// The per-row work of the fills: a row ready to draw, and for the Gouraud
// fill the columns of every row of a half and the running values at its first
// drawn column. Where the processor has 256-bit vectors, the Gouraud rows of
// a half are set up before any is drawn, four rows at a time or a row's four
// values at a time, each lane going through exactly the operations of the
// one-row code: the divisions the rows need are most of the cost of a short
// row, and a vector divides four values at the cost of one.

#include <cstdint>

#include "math/vertex.h"
#include "raster/frame_layout.h"
#include "raster/triangle_setup.h"

namespace trivane::raster {

// What a half interpolates: N - 1 attributes and the reciprocal depth last,
// as the apex value and the rise towards each end of the horizontal edge.
// The attributes are stored as floats at the row ends, the reciprocal depth
// stays double.
template <int N>
struct HalfValues {
    double base[N];
    float riseL[N];
    float riseR[N];
};

// One row ready to draw: columns start..end, the attributes and the
// reciprocal depth at column start, and the steps from column to column
// (the depth step last).
template <int N>
struct RowStart {
    int32_t y;
    int32_t start;
    int32_t end;
    float value[N - 1];
    float step[N];
    double q;
};

// One row: the values at both ends, stored as floats (the reciprocal depth
// too when FloatDepth, else it stays double), the steps between them, and the
// values moved on to the first drawn column.
template <int N, bool FloatDepth = false>
inline RowStart<N> setUpRow(int32_t y, double f, const SpanColumns& span, const HalfEdges& edges,
                            const HalfValues<N>& values) {
    double endL[N], endR[N], step[N];
    alongEdge(values.base, values.riseL, f, edges.heightL, endL);
    alongEdge(values.base, values.riseR, f, edges.heightR, endR);
    const double qa = endL[N - 1], qb = endR[N - 1];
    roundToFloat(endL);
    roundToFloat(endR);
    if constexpr (!FloatDepth) {
        endL[N - 1] = qa;
        endR[N - 1] = qb;
    }
    // A span of width 0 is one pixel with the left-end values.
    if (span.width == 0) {
        for (double& s : step) s = 0.0;
    } else {
        acrossRow(endL, endR, static_cast<double>(span.width), step);
        roundToFloat(step);
    }
    RowStart<N> row;
    row.y = y;
    row.start = span.start;
    row.end = span.end;
    if (span.skip == 0) {
        for (int k = 0; k < N - 1; ++k) row.value[k] = static_cast<float>(endL[k]);
        row.q = endL[N - 1];
    } else {
        const double skip = static_cast<double>(span.skip);
        for (int k = 0; k < N - 1; ++k) row.value[k] = static_cast<float>(endL[k] + skip * step[k]);
        row.q = endL[N - 1] + skip * step[N - 1];
    }
    for (int k = 0; k < N; ++k) row.step[k] = static_cast<float>(step[k]);
    return row;
}

// Every row of the block of rows (a half's, inside the window) with a
// non-empty span, in row order, set up into out (room for the block's rows);
// returns how many, or -1 on a processor without 256-bit vectors: each row
// then goes through setUpRow as it is drawn. Blocks of three rows or more are
// set up four rows at a time, shorter ones a row at a time with the row's
// values side by side.
template <int N>
int32_t setUpRowsAtOnce(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                        int32_t lastColumn, const HalfValues<N>& values, RowStart<N>* out);

// Rows of short halves (one or two rows each), waiting to be set up
// together: per row, its half's corners (left, right, apex) with their
// attributes and reciprocal depths, one row per lane. The Gouraud fill queues
// its three colours on the 0..255 scale, the textured fill u, v and the
// colours.
constexpr int32_t kQueuedRows = 8;
template <int Attrs>
struct QueuedRows {
    enum Corner { Left, Right, Apex };
    alignas(32) double x[3][kQueuedRows];
    alignas(32) double y[3][kQueuedRows];
    alignas(32) double attr[3][Attrs][kQueuedRows];  // corner, attribute, row
    alignas(32) double q[3][kQueuedRows];
    alignas(32) int32_t row[kQueuedRows];
    int32_t count = 0;
};

// The queued rows with a non-empty span, in queue order, into out; each row
// gets what its fill's half values and setUpRow give it: for Gouraud rows the
// attributes themselves and the depth kept double at the row ends, for
// textured ones (Perspective) the attributes times the reciprocal depth and
// every value stored as a float at the row ends. -1 (nothing done) on a
// processor without 256-bit vectors.
template <int Attrs, bool Perspective>
int32_t setUpQueuedRows(QueuedRows<Attrs>& rows, int32_t lastColumn, RowStart<Attrs + 1>* out);

// The wide set-up is on by default where the processor has it; off, every
// row goes through setUpRow. Only for comparing the two.
void setWideRowSetup(bool on);
bool wideRowSetup();

}  // namespace trivane::raster
