#pragma once

// The scanline set-up shared by the Gouraud and the textured fill: which
// vertices form the horizontal edge, where a triangle is split, which rows a
// half visits and which columns of a row are drawn. The fills only add what
// they interpolate.
//
// Screen coordinates arrive as whole numbers stored in floats, up to the
// saturated int32 range (vertices near or behind the camera plane). Whatever
// they are, only rows from 1 and columns from 0 to the picture's last are
// visited, so a triangle that reaches far outside the picture costs no more
// than one inside it.

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "math/numeric.h"
#include "math/vertex.h"

namespace trivane::raster {

// How drawX(a, b, c) proceeds: either one half with its horizontal edge, or a
// split at the middle row.
struct TrianglePlan {
    bool split = false;
    // One half (split == false): left.y == right.y, apex on another row or not.
    const Vertex* left = nullptr;
    const Vertex* right = nullptr;
    const Vertex* apex = nullptr;
    bool apexFirst = false;
    // Split (split == true): rows strictly increasing top -> middle -> bottom.
    const Vertex* top = nullptr;
    const Vertex* middle = nullptr;
    const Vertex* bottom = nullptr;
};

TrianglePlan planTriangle(const Vertex& a, const Vertex& b, const Vertex& c);

// Where a fill may write: rows [rowBegin, rowEnd) of a picture `height` rows
// high whose last column is lastColumn.
struct RowWindow {
    int32_t rowBegin;
    int32_t rowEnd;
    int32_t height;
    int32_t lastColumn;
};

// Rows a half visits: [first, end), already limited to 1..height - 1.
struct RowRange {
    int32_t first;
    int32_t end;
};

// firstValue is the apex row (apex first) or the edge row (apex last), and
// endValue the other one.
inline RowRange halfRowRange(float firstValue, float endValue, int32_t height) {
    const double start = firstValue;
    int64_t first;
    if (start <= 0.0) {
        first = truncToInt32(start + truncToInt32(std::fabs(start) + 1.0));
    } else {
        first = truncToInt32(start);
    }
    // Row 0 is never filled; this also covers the saturated formula above,
    // which for the lowest int32 value lands below 1.
    if (first < 1) first = 1;

    const double endRow = endValue;
    int64_t end;
    if (endRow >= static_cast<double>(height)) {
        end = height;
    } else if (endRow > static_cast<double>(first)) {
        // Rows run while row < endRow. Here 1 < endRow < height, so the
        // ceiling is the truncation, or one more below a fraction.
        end = static_cast<int64_t>(endRow);
        if (static_cast<double>(end) < endRow) ++end;
    } else {
        end = first;  // nothing, also for NaN
    }
    return RowRange{static_cast<int32_t>(first), static_cast<int32_t>(end)};
}

// The columns of one row: the unclipped ends and width, and the clipped part.
struct SpanColumns {
    int32_t xL;     // unclipped left end
    int32_t xR;     // unclipped right end
    int64_t width;  // xR - xL before clipping
    int32_t start;  // first column drawn
    int32_t end;    // last column drawn (start > end: nothing)
    int64_t skip;   // steps the running values start in (left clip)
};

// Row set-up, N values at once (N even): two lanes a time where the
// processor has them, each lane rounding exactly as the scalar expression in
// the comment does.

// out[k] = base[k] + f * rise[k] / height
//
// The rises are float arrays on purpose: GCC 12 at -O3 has been seen to drop
// the rounding of float values stored into a double array when it vectorises
// the stores, so float-rounded values are kept in floats.
template <int N>
inline void alongEdge(const double (&base)[N], const float (&rise)[N], double f, double height,
                      double (&out)[N]) {
#if defined(__SSE2__)
    static_assert(N % 2 == 0);
    const __m128d vf = _mm_set1_pd(f), vh = _mm_set1_pd(height);
    for (int k = 0; k < N; k += 2) {
        const __m128d r = _mm_cvtps_pd(_mm_set_ps(0.0f, 0.0f, rise[k + 1], rise[k]));
        _mm_storeu_pd(out + k, _mm_add_pd(_mm_loadu_pd(base + k), _mm_div_pd(_mm_mul_pd(vf, r), vh)));
    }
#else
    for (int k = 0; k < N; ++k) out[k] = base[k] + f * rise[k] / height;
#endif
}

// out[k] = (right[k] - left[k]) / width
template <int N>
inline void acrossRow(const double (&left)[N], const double (&right)[N], double width, double (&out)[N]) {
#if defined(__SSE2__)
    const __m128d vw = _mm_set1_pd(width);
    for (int k = 0; k < N; k += 2)
        _mm_storeu_pd(out + k, _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(right + k), _mm_loadu_pd(left + k)), vw));
#else
    for (int k = 0; k < N; ++k) out[k] = (right[k] - left[k]) / width;
#endif
}

// v[k] = static_cast<float>(v[k]), kept in a double
template <int N>
inline void roundToFloat(double (&v)[N]) {
#if defined(__SSE2__)
    for (int k = 0; k < N; k += 2) _mm_storeu_pd(v + k, _mm_cvtps_pd(_mm_cvtpd_ps(_mm_loadu_pd(v + k))));
#else
    for (int k = 0; k < N; ++k) v[k] = static_cast<float>(v[k]);
#endif
}

// Edge positions of one half, recomputed from the apex on every row.
struct HalfEdges {
    double apexX;
    double apexY;
    double leftDx;   // L.x - P.x
    double rightDx;  // R.x - P.x
    float heightL;   // L.y - P.y, kept as a float
    float heightR;   // R.y - P.y, kept as a float
    int32_t lastColumn;

    HalfEdges(const Vertex& left, const Vertex& right, const Vertex& apex, int32_t pictureLastColumn)
        : apexX(apex.x),
          apexY(apex.y),
          leftDx(static_cast<double>(left.x) - apex.x),
          rightDx(static_cast<double>(right.x) - apex.x),
          heightL(static_cast<float>(static_cast<double>(left.y) - apex.y)),
          heightR(static_cast<float>(static_cast<double>(right.y) - apex.y)),
          lastColumn(pictureLastColumn) {}

    SpanColumns columns(double f) const {
        SpanColumns s;
        // apexX + f * leftDx / heightL and the same on the right
#if defined(__SSE2__)
        const __m128d x = _mm_add_pd(_mm_set1_pd(apexX),
                                     _mm_div_pd(_mm_mul_pd(_mm_set1_pd(f), _mm_set_pd(rightDx, leftDx)),
                                                _mm_set_pd(heightR, heightL)));
        s.xL = truncToInt32(_mm_cvtsd_f64(x));
        s.xR = truncToInt32(_mm_cvtsd_f64(_mm_unpackhi_pd(x, x)));
#else
        s.xL = truncToInt32(apexX + f * leftDx / heightL);
        s.xR = truncToInt32(apexX + f * rightDx / heightR);
#endif
        s.width = static_cast<int64_t>(s.xR) - s.xL;
        if (s.xL <= 0) {
            s.start = 0;
            s.skip = -static_cast<int64_t>(s.xL);
        } else {
            s.start = s.xL;
            s.skip = 0;
        }
        s.end = s.xR > lastColumn ? lastColumn : s.xR;
        return s;
    }
};

// The rows a half visits inside the window.
inline RowRange halfRowsIn(const Vertex& left, const Vertex& apex, bool apexFirst, const RowWindow& window) {
    RowRange rows = apexFirst ? halfRowRange(apex.y, left.y, window.height)
                              : halfRowRange(left.y, apex.y, window.height);
    if (rows.first < window.rowBegin) rows.first = window.rowBegin;
    if (rows.end > window.rowEnd) rows.end = window.rowEnd;
    return rows;
}

// Drives one half over its rows inside the window: for every row with a
// non-empty span, calls row(y, f, span, edges) with f = y - apex.y. Every row
// is computed from the apex alone, so a band of rows gets exactly the values
// the whole triangle would give it.
template <typename RowFn>
void forEachHalfRow(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                    int32_t lastColumn, RowFn&& row) {
    if (rows.first >= rows.end) return;
    const HalfEdges edges(left, right, apex, lastColumn);
    for (int32_t y = rows.first; y < rows.end; ++y) {
        const double f = static_cast<double>(y) - edges.apexY;
        const SpanColumns span = edges.columns(f);
        if (span.start > span.end) continue;
        row(y, f, span, edges);
    }
}

// 1 / depth of two corners, or of one (the second lane is ignored).
inline void reciprocalDepths(const Vertex& a, const Vertex& b, double& qa, double& qb) {
#if defined(__SSE2__)
    const __m128d q = _mm_div_pd(_mm_set1_pd(1.0), _mm_set_pd(b.depth, a.depth));
    qa = _mm_cvtsd_f64(q);
    qb = _mm_cvtsd_f64(_mm_unpackhi_pd(q, q));
#else
    qa = 1.0 / a.depth;
    qb = 1.0 / b.depth;
#endif
}

// The reciprocal depths of a half's corners. A triangle takes each once and
// hands them to both its halves.
struct HalfDepths {
    double left;
    double right;
    double apex;
};

// The whole triangle: plan it and, when a half has rows in the window, build
// the split vertex where needed and hand the halves that have to the fill,
// fill(left, right, apex, rows, depths) with the rows inside the window.
// makeSplit(top, middle, bottom, qTop, qBottom) returns the split vertex. A
// half without rows would draw nothing, so it is not set up at all.
template <typename Fill, typename MakeSplit>
void drawPlannedTriangle(const Vertex& a, const Vertex& b, const Vertex& c, const RowWindow& window,
                         MakeSplit&& makeSplit, Fill&& fill) {
    const TrianglePlan plan = planTriangle(a, b, c);
    double q[2];
    if (!plan.split) {
        const RowRange rows = halfRowsIn(*plan.left, *plan.apex, plan.apexFirst, window);
        if (rows.first >= rows.end) return;
        reciprocalDepths(*plan.left, *plan.right, q[0], q[1]);
        fill(*plan.left, *plan.right, *plan.apex, rows, HalfDepths{q[0], q[1], 1.0 / plan.apex->depth});
        return;
    }
    const RowRange upper = halfRowsIn(*plan.middle, *plan.top, true, window);
    const RowRange lower = halfRowsIn(*plan.middle, *plan.bottom, false, window);
    if (upper.first >= upper.end && lower.first >= lower.end) return;
    reciprocalDepths(*plan.top, *plan.bottom, q[0], q[1]);
    const double qTop = q[0], qBottom = q[1];
    const Vertex s = makeSplit(*plan.top, *plan.middle, *plan.bottom, qTop, qBottom);
    reciprocalDepths(*plan.middle, s, q[0], q[1]);
    const double qMiddle = q[0], qSplit = q[1];
    const bool splitRight = s.x > plan.middle->x;
    const Vertex& left = splitRight ? *plan.middle : s;
    const Vertex& right = splitRight ? s : *plan.middle;
    const double qLeft = splitRight ? qMiddle : qSplit, qRight = splitRight ? qSplit : qMiddle;
    if (upper.first < upper.end) fill(left, right, *plan.top, upper, HalfDepths{qLeft, qRight, qTop});
    if (lower.first < lower.end) fill(left, right, *plan.bottom, lower, HalfDepths{qLeft, qRight, qBottom});
}

// (middle.y - top.y) / (bottom.y - top.y) as the split applies it: the
// difference is multiplied first, then divided.
struct SplitRatio {
    double rise;   // middle.y - top.y
    double total;  // bottom.y - top.y
    double of(double difference) const { return difference * rise / total; }
};

inline SplitRatio splitRatio(const Vertex& top, const Vertex& middle, const Vertex& bottom) {
    return SplitRatio{static_cast<double>(middle.y) - top.y, static_cast<double>(bottom.y) - top.y};
}

// The fourth vertex's place on the long edge at the middle row, and its depth
// from the reciprocal depth (qTop and qBottom at the ends) on the straight line
// between the ends; the fills add what they interpolate (z is 0, w 1,
// everything else 0 until then).
inline Vertex splitOnLongEdge(const Vertex& top, const Vertex& middle, const Vertex& bottom, const SplitRatio& ratio,
                              double qTop, double qBottom) {
    Vertex s;
    s.y = middle.y;
#if defined(__SSE2__)
    // ratio.of for the column and the reciprocal depth together.
    const __m128d along = _mm_div_pd(
        _mm_mul_pd(_mm_set_pd(qBottom - qTop, static_cast<double>(bottom.x) - top.x), _mm_set1_pd(ratio.rise)),
        _mm_set1_pd(ratio.total));
    s.x = static_cast<float>(top.x + _mm_cvtsd_f64(along));
    s.depth = 1.0 / (qTop + _mm_cvtsd_f64(_mm_unpackhi_pd(along, along)));
#else
    s.x = static_cast<float>(top.x + ratio.of(static_cast<double>(bottom.x) - top.x));
    s.depth = 1.0 / (qTop + ratio.of(qBottom - qTop));
#endif
    return s;
}

// The colour byte of a running channel: truncated, low 8 bits kept. The
// processor's truncation already gives the int32 minimum (low byte 0) for NaN
// and for values below the range, as the saturating rule does; only values
// at or above 2^31 need the explicit 255.
inline uint8_t channelByte(double value) {
#if defined(__SSE2__)
    if (value >= 2147483648.0) return 0xff;
    return static_cast<uint8_t>(_mm_cvttsd_si32(_mm_set_sd(value)));
#else
    return static_cast<uint8_t>(truncToInt32(value));
#endif
}

}  // namespace trivane::raster
