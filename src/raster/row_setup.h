#pragma once

// The per-row work of the fills: a row ready to draw, and for the Gouraud
// fill the columns of every row of a half and the running values at its first
// drawn column. Where the processor has 256-bit vectors, the Gouraud rows of
// a half are set up four at a time before any is drawn, each lane going
// through exactly the operations of the one-row code: the divisions the rows
// need are most of the cost of a short row, and a vector divides four at the
// cost of two.

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

// Every row of the half inside the window with a non-empty span, in row
// order, set up four at a time into out (room for the window's rows);
// returns how many, or -1 where that does not pay: on a processor without
// 256-bit vectors, and for halves of one or two rows. Each row then goes
// through setUpRow as it is drawn.
template <int N>
int32_t setUpRowsAtOnce(const Vertex& left, const Vertex& right, const Vertex& apex, bool apexFirst,
                        const RowWindow& window, const HalfValues<N>& values, RowStart<N>* out);

// The four-row set-up is on by default where the processor has it; off, every
// row is set up alone. Only for comparing the two.
void setWideRowSetup(bool on);

}  // namespace trivane::raster
