#include "raster/row_setup.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRIVANE_WIDE_ROWS 1
#endif

namespace trivane::raster {

namespace {

#if TRIVANE_WIDE_ROWS

bool processorHasWideVectors() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

std::atomic<bool> useWide{processorHasWideVectors()};

// truncToInt32 of four values: the processor's truncation, and the scalar
// rule for the lanes where it answered with the int32 minimum.
__attribute__((target("avx2"))) __m128i truncLanes(__m256d x) {
    __m128i t = _mm256_cvttpd_epi32(x);
    if (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(t, _mm_set1_epi32(INT32_MIN)))) != 0) {
        alignas(32) double lanes[4];
        alignas(16) int32_t whole[4];
        _mm256_store_pd(lanes, x);
        for (int i = 0; i < 4; ++i) whole[i] = truncToInt32(lanes[i]);
        t = _mm_load_si128(reinterpret_cast<const __m128i*>(whole));
    }
    return t;
}

// The columns of four rows as SpanColumns has them, and which of them
// have any (live, a bit per lane; lanes from `lanes` on are never live).
struct LaneColumns {
    alignas(32) double width[4];
    alignas(32) double skip[4];
    int32_t start[4];
    int32_t end[4];
    int live;
};

__attribute__((target("avx2"))) LaneColumns laneColumns(__m256d xLeft, __m256d xRight, int32_t lastColumn,
                                                        int lanes) {
    alignas(16) int32_t xL[4], xR[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(xL), truncLanes(xLeft));
    _mm_store_si128(reinterpret_cast<__m128i*>(xR), truncLanes(xRight));
    LaneColumns c;
    c.live = 0;
    for (int i = 0; i < 4; ++i) {
        c.width[i] = static_cast<double>(static_cast<int64_t>(xR[i]) - xL[i]);
        const bool clipped = xL[i] <= 0;
        c.start[i] = clipped ? 0 : xL[i];
        c.skip[i] = clipped ? -static_cast<double>(xL[i]) : 0.0;
        c.end[i] = xR[i] > lastColumn ? lastColumn : xR[i];
        if (i < lanes && c.start[i] <= c.end[i]) c.live |= 1 << i;
    }
    return c;
}

// What four rows share the shape of, a row per lane: f = y - apex.y, the
// edge heights, and per value the apex value and the rises (apex to the
// left and right ends).
template <int N>
struct LaneEdges {
    __m256d f, heightL, heightR;
    __m256d base[N], riseL[N], riseR[N];
};

// The live rows' values, as setUpRow<N, FloatDepth> gives them, into out in
// lane order.
template <int N, bool FloatDepth = false>
__attribute__((target("avx2"))) int32_t finishRows(const LaneEdges<N>& e, const LaneColumns& c, const int32_t* rowY,
                                                   RowStart<N>* out) {
    const __m256d width = _mm256_load_pd(c.width), skip = _mm256_load_pd(c.skip), zero = _mm256_setzero_pd();
    const __m256d flat = _mm256_cmp_pd(width, zero, _CMP_EQ_OQ);
    const __m256d unclipped = _mm256_cmp_pd(skip, zero, _CMP_EQ_OQ);
    alignas(16) float value[N][4], step[N][4];
    alignas(32) double q[4];
    for (int k = 0; k < N; ++k) {
        const __m256d toLeft = _mm256_div_pd(_mm256_mul_pd(e.f, e.riseL[k]), e.heightL);
        const __m256d toRight = _mm256_div_pd(_mm256_mul_pd(e.f, e.riseR[k]), e.heightR);
        __m256d endL = _mm256_add_pd(e.base[k], toLeft);
        __m256d endR = _mm256_add_pd(e.base[k], toRight);
        // The attributes are stored as floats at the row ends, the depth too
        // where FloatDepth.
        if (k < N - 1 || FloatDepth) {
            endL = _mm256_cvtps_pd(_mm256_cvtpd_ps(endL));
            endR = _mm256_cvtps_pd(_mm256_cvtpd_ps(endR));
        }
        const __m256d across = _mm256_div_pd(_mm256_sub_pd(endR, endL), width);
        const __m128 s = _mm256_cvtpd_ps(_mm256_andnot_pd(flat, across));
        const __m256d moved = _mm256_add_pd(endL, _mm256_mul_pd(skip, _mm256_cvtps_pd(s)));
        const __m256d atStart = _mm256_blendv_pd(moved, endL, unclipped);
        _mm_store_ps(step[k], s);
        if (k < N - 1) {
            _mm_store_ps(value[k], _mm256_cvtpd_ps(atStart));
        } else {
            _mm256_store_pd(q, atStart);
        }
    }
    int32_t count = 0;
    for (int i = 0; i < 4; ++i) {
        if ((c.live & (1 << i)) == 0) continue;
        RowStart<N>& row = out[count++];
        row.y = rowY[i];
        row.start = c.start[i];
        row.end = c.end[i];
        for (int k = 0; k < N - 1; ++k) row.value[k] = value[k][i];
        for (int k = 0; k < N; ++k) row.step[k] = step[k][i];
        row.q = q[i];
    }
    return count;
}

__attribute__((target("avx2"))) inline __m256d xAlong(__m256d apexX, __m256d f, __m256d dx, __m256d height) {
    return _mm256_add_pd(apexX, _mm256_div_pd(_mm256_mul_pd(f, dx), height));
}

// The rows of one half, four at a time, one per lane, each through the
// operations of setUpRow in the same order.
template <int N>
__attribute__((target("avx2"))) int32_t setUpRowsFourByFour(const Vertex& left, const Vertex& right,
                                                            const Vertex& apex, const RowRange& rows,
                                                            int32_t lastColumn, const HalfValues<N>& values,
                                                            RowStart<N>* out) {
    const HalfEdges edges(left, right, apex, lastColumn);
    const __m256d apexX = _mm256_set1_pd(edges.apexX), apexY = _mm256_set1_pd(edges.apexY);
    const __m256d leftDx = _mm256_set1_pd(edges.leftDx), rightDx = _mm256_set1_pd(edges.rightDx);
    LaneEdges<N> e;
    e.heightL = _mm256_set1_pd(edges.heightL);
    e.heightR = _mm256_set1_pd(edges.heightR);
    for (int k = 0; k < N; ++k) {
        e.base[k] = _mm256_set1_pd(values.base[k]);
        e.riseL[k] = _mm256_set1_pd(values.riseL[k]);
        e.riseR[k] = _mm256_set1_pd(values.riseR[k]);
    }
    int32_t count = 0;
    for (int32_t y0 = rows.first; y0 < rows.end; y0 += 4) {
        e.f = _mm256_sub_pd(_mm256_add_pd(_mm256_set1_pd(y0), _mm256_setr_pd(0.0, 1.0, 2.0, 3.0)), apexY);
        const LaneColumns c = laneColumns(xAlong(apexX, e.f, leftDx, e.heightL),
                                          xAlong(apexX, e.f, rightDx, e.heightR), lastColumn, rows.end - y0);
        const int32_t rowY[4] = {y0, y0 + 1, y0 + 2, y0 + 3};
        if (c.live != 0) count += finishRows(e, c, rowY, out + count);
    }
    return count;
}

__attribute__((target("avx2"))) inline __m256d lanesFrom(const double* values, int32_t first) {
    return _mm256_load_pd(values + first);
}

// Four queued rows from `first`, each lane through its fill's half values,
// HalfEdges and setUpRow in their order.
template <int Attrs, bool Perspective>
__attribute__((target("avx2"))) int32_t setUpFourQueued(const QueuedRows<Attrs>& rows, int32_t first,
                                                        int32_t lastColumn, RowStart<Attrs + 1>* out) {
    using C = typename QueuedRows<Attrs>::Corner;
    auto corner = [&](const double (&values)[3][kQueuedRows], C c) { return values[c] + first; };
    const __m256d apexX = _mm256_load_pd(corner(rows.x, C::Apex)), apexY = _mm256_load_pd(corner(rows.y, C::Apex));
    const __m256d leftDx = _mm256_sub_pd(_mm256_load_pd(corner(rows.x, C::Left)), apexX);
    const __m256d rightDx = _mm256_sub_pd(_mm256_load_pd(corner(rows.x, C::Right)), apexX);
    LaneEdges<Attrs + 1> e;
    e.heightL = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_sub_pd(_mm256_load_pd(corner(rows.y, C::Left)), apexY)));
    e.heightR = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_sub_pd(_mm256_load_pd(corner(rows.y, C::Right)), apexY)));
    e.f = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm_load_si128(reinterpret_cast<const __m128i*>(rows.row + first))),
                        apexY);
    const LaneColumns c = laneColumns(xAlong(apexX, e.f, leftDx, e.heightL), xAlong(apexX, e.f, rightDx, e.heightR),
                                      lastColumn, rows.count - first);
    if (c.live == 0) return 0;
    // The attributes (times the reciprocal depth in perspective), then the
    // reciprocal depth: the apex value and the rises the fills form, stored
    // as floats.
    const __m256d q[3] = {_mm256_load_pd(corner(rows.q, C::Left)), _mm256_load_pd(corner(rows.q, C::Right)),
                          _mm256_load_pd(corner(rows.q, C::Apex))};
    for (int k = 0; k <= Attrs; ++k) {
        __m256d at[3];
        for (int v = C::Left; v <= C::Apex; ++v) {
            at[v] = k < Attrs ? _mm256_load_pd(rows.attr[v][k] + first) : q[v];
            if (Perspective && k < Attrs) at[v] = _mm256_mul_pd(at[v], q[v]);
        }
        e.base[k] = at[C::Apex];
        e.riseL[k] = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_sub_pd(at[C::Left], e.base[k])));
        e.riseR[k] = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_sub_pd(at[C::Right], e.base[k])));
    }
    return finishRows<Attrs + 1, Perspective>(e, c, rows.row + first, out);
}

#endif

}  // namespace

template <int N>
int32_t setUpRowsAtOnce(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                        int32_t lastColumn, const HalfValues<N>& values, RowStart<N>* out) {
#if TRIVANE_WIDE_ROWS
    if (useWide.load(std::memory_order_relaxed)) {
        if (rows.first >= rows.end) return 0;
        return setUpRowsFourByFour(left, right, apex, rows, lastColumn, values, out);
    }
#else
    (void)left, (void)right, (void)apex, (void)rows, (void)lastColumn, (void)values, (void)out;
#endif
    return -1;
}

template int32_t setUpRowsAtOnce<4>(const Vertex&, const Vertex&, const Vertex&, const RowRange&, int32_t,
                                    const HalfValues<4>&, RowStart<4>*);

template <int Attrs, bool Perspective>
int32_t setUpQueuedRows(QueuedRows<Attrs>& rows, int32_t lastColumn, RowStart<Attrs + 1>* out) {
#if TRIVANE_WIDE_ROWS
    if (!useWide.load(std::memory_order_relaxed)) return -1;
    // Lanes past the last row repeat it, so that they compute ordinary values.
    for (int32_t i = rows.count; i % 4 != 0; ++i) {
        const int32_t last = rows.count - 1;
        for (int c = 0; c < 3; ++c) {
            rows.x[c][i] = rows.x[c][last], rows.y[c][i] = rows.y[c][last], rows.q[c][i] = rows.q[c][last];
            for (int k = 0; k < Attrs; ++k) rows.attr[c][k][i] = rows.attr[c][k][last];
        }
        rows.row[i] = rows.row[last];
    }
    int32_t count = 0;
    for (int32_t first = 0; first < rows.count; first += 4)
        count += setUpFourQueued<Attrs, Perspective>(rows, first, lastColumn, out + count);
    return count;
#else
    (void)rows, (void)lastColumn, (void)out;
    return -1;
#endif
}

template int32_t setUpQueuedRows<3, false>(QueuedRows<3>&, int32_t, RowStart<4>*);
template int32_t setUpQueuedRows<5, true>(QueuedRows<5>&, int32_t, RowStart<6>*);

bool wideRowSetup() {
#if TRIVANE_WIDE_ROWS
    return useWide.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void setWideRowSetup(bool on) {
#if TRIVANE_WIDE_ROWS
    useWide.store(on && processorHasWideVectors(), std::memory_order_relaxed);
#else
    (void)on;
#endif
}

}  // namespace trivane::raster
