#include "raster/row_setup.h"

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

// Four rows at a time, one per lane, each through the operations of
// setUpRow in the same order.
template <int N>
__attribute__((target("avx2"))) int32_t setUpRowsFourByFour(const Vertex& left, const Vertex& right,
                                                            const Vertex& apex, bool apexFirst,
                                                            const RowWindow& window, const HalfValues<N>& values,
                                                            RowStart<N>* out) {
    const RowRange rows = halfRowsIn(left, apex, apexFirst, window);
    if (rows.first >= rows.end) return 0;
    // A block of four costs about what two rows one by one do.
    if (rows.end - rows.first < 3) return -1;
    const HalfEdges edges(left, right, apex, window.lastColumn);
    const __m256d apexX = _mm256_set1_pd(edges.apexX), apexY = _mm256_set1_pd(edges.apexY);
    const __m256d leftDx = _mm256_set1_pd(edges.leftDx), rightDx = _mm256_set1_pd(edges.rightDx);
    const __m256d heightL = _mm256_set1_pd(edges.heightL), heightR = _mm256_set1_pd(edges.heightR);
    const __m256d zero = _mm256_setzero_pd();
    int32_t count = 0;
    for (int32_t y0 = rows.first; y0 < rows.end; y0 += 4) {
        const __m256d f =
            _mm256_sub_pd(_mm256_add_pd(_mm256_set1_pd(y0), _mm256_setr_pd(0.0, 1.0, 2.0, 3.0)), apexY);
        alignas(16) int32_t xL[4], xR[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(xL),
                        truncLanes(_mm256_add_pd(apexX, _mm256_div_pd(_mm256_mul_pd(f, leftDx), heightL))));
        _mm_store_si128(reinterpret_cast<__m128i*>(xR),
                        truncLanes(_mm256_add_pd(apexX, _mm256_div_pd(_mm256_mul_pd(f, rightDx), heightR))));
        // The columns as SpanColumns has them.
        alignas(32) double width[4], skip[4];
        int32_t start[4], end[4];
        int live = 0;
        for (int i = 0; i < 4; ++i) {
            width[i] = static_cast<double>(static_cast<int64_t>(xR[i]) - xL[i]);
            const bool clipped = xL[i] <= 0;
            start[i] = clipped ? 0 : xL[i];
            skip[i] = clipped ? -static_cast<double>(xL[i]) : 0.0;
            end[i] = xR[i] > edges.lastColumn ? edges.lastColumn : xR[i];
            if (y0 + i < rows.end && start[i] <= end[i]) live |= 1 << i;
        }
        if (live == 0) continue;
        const __m256d widthV = _mm256_load_pd(width), skipV = _mm256_load_pd(skip);
        const __m256d flat = _mm256_cmp_pd(widthV, zero, _CMP_EQ_OQ);
        const __m256d unclipped = _mm256_cmp_pd(skipV, zero, _CMP_EQ_OQ);
        alignas(16) float value[N][4], step[N][4];
        alignas(32) double q[4];
        for (int k = 0; k < N; ++k) {
            const __m256d toLeft = _mm256_div_pd(_mm256_mul_pd(f, _mm256_set1_pd(values.riseL[k])), heightL);
            const __m256d toRight = _mm256_div_pd(_mm256_mul_pd(f, _mm256_set1_pd(values.riseR[k])), heightR);
            __m256d endL = _mm256_add_pd(_mm256_set1_pd(values.base[k]), toLeft);
            __m256d endR = _mm256_add_pd(_mm256_set1_pd(values.base[k]), toRight);
            if (k < N - 1) {
                endL = _mm256_cvtps_pd(_mm256_cvtpd_ps(endL));
                endR = _mm256_cvtps_pd(_mm256_cvtpd_ps(endR));
            }
            const __m128 s = _mm256_cvtpd_ps(_mm256_andnot_pd(flat, _mm256_div_pd(_mm256_sub_pd(endR, endL), widthV)));
            const __m256d moved = _mm256_add_pd(endL, _mm256_mul_pd(skipV, _mm256_cvtps_pd(s)));
            const __m256d atStart = _mm256_blendv_pd(moved, endL, unclipped);
            _mm_store_ps(step[k], s);
            if (k < N - 1) {
                _mm_store_ps(value[k], _mm256_cvtpd_ps(atStart));
            } else {
                _mm256_store_pd(q, atStart);
            }
        }
        for (int i = 0; i < 4; ++i) {
            if ((live & (1 << i)) == 0) continue;
            RowStart<N>& row = out[count++];
            row.y = y0 + i;
            row.start = start[i];
            row.end = end[i];
            for (int k = 0; k < N - 1; ++k) row.value[k] = value[k][i];
            for (int k = 0; k < N; ++k) row.step[k] = step[k][i];
            row.q = q[i];
        }
    }
    return count;
}

#endif

}  // namespace

template <int N>
int32_t setUpRowsAtOnce(const Vertex& left, const Vertex& right, const Vertex& apex, bool apexFirst,
                        const RowWindow& window, const HalfValues<N>& values, RowStart<N>* out) {
#if TRIVANE_WIDE_ROWS
    if (useWide.load(std::memory_order_relaxed))
        return setUpRowsFourByFour(left, right, apex, apexFirst, window, values, out);
#else
    (void)left, (void)right, (void)apex, (void)apexFirst, (void)window, (void)values, (void)out;
#endif
    return -1;
}

template int32_t setUpRowsAtOnce<4>(const Vertex&, const Vertex&, const Vertex&, bool, const RowWindow&,
                                    const HalfValues<4>&, RowStart<4>*);

void setWideRowSetup(bool on) {
#if TRIVANE_WIDE_ROWS
    useWide.store(on && processorHasWideVectors(), std::memory_order_relaxed);
#else
    (void)on;
#endif
}

}  // namespace trivane::raster
