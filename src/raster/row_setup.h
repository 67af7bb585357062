#pragma once

// The per-row work of the Gouraud fill: the columns of every row of a half
// and the running values at its first drawn column. All rows of a half are
// set up before any is drawn, so that where the processor has 256-bit
// vectors four rows can be set up at once, each lane going through exactly
// the operations of the one-row code. The divisions the rows need are most
// of the cost of a short row, and a vector divides four at the cost of two.

#include <cstdint>

#include "math/vertex.h"
#include "raster/frame_layout.h"

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

// Every row of the half inside [rowBegin, rowEnd) with a non-empty span, in
// row order, into out (room for kFrameHeight rows); returns how many.
template <int N>
int32_t setUpRows(const Vertex& left, const Vertex& right, const Vertex& apex, bool apexFirst, int32_t rowBegin,
                  int32_t rowEnd, const HalfValues<N>& values, RowStart<N>* out);

// Whether the four-row set-up is used (on by default where the processor has
// it). Only for comparing the two.
bool wideRowSetup();
void setWideRowSetup(bool on);

}  // namespace trivane::raster
