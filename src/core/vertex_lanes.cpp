// The vertex stage several vertices at a time: four in 256-bit vectors, or
// eight in 512-bit vectors where the processor has them. The kernel is
// written once (vertex_lanes_kernel.inc) against the lane operations below,
// one set per width. Vector additions, products, quotients, square roots and
// conversions round exactly as the scalar ones do, so every width writes the
// bits of the one-vertex kernel.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "core/vertex_stage.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRIVANE_WIDE_VERTICES 1
#endif

namespace trivane {

#if TRIVANE_WIDE_VERTICES

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace lanes4 {

constexpr int kLanes = 4;
using Lanes = __m256d;
using Mask = __m256d;  // all bits of a lane set where true

inline Lanes splat(double v) { return _mm256_set1_pd(v); }
inline Lanes add(Lanes a, Lanes b) { return _mm256_add_pd(a, b); }
inline Lanes sub(Lanes a, Lanes b) { return _mm256_sub_pd(a, b); }
inline Lanes mul(Lanes a, Lanes b) { return _mm256_mul_pd(a, b); }
inline Lanes div(Lanes a, Lanes b) { return _mm256_div_pd(a, b); }
inline Lanes squareRoot(Lanes v) { return _mm256_sqrt_pd(v); }
// static_cast<float>, kept in a double.
inline Lanes toFloat(Lanes v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }
inline Lanes load(const double* p) { return _mm256_load_pd(p); }
inline void store(double* p, Lanes v) { _mm256_store_pd(p, v); }
inline void storeFloats(float* p, Lanes v) { _mm_store_ps(p, _mm256_cvtpd_ps(v)); }

// Ordered comparisons: false where either side is NaN.
inline Mask greater(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
inline Mask greaterEqual(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
inline Mask less(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
inline Mask lessEqual(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
inline Mask equal(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
inline Mask either(Mask a, Mask b) { return _mm256_or_pd(a, b); }
inline int bits(Mask m) { return _mm256_movemask_pd(m); }
// v where the mask is set, +0 elsewhere.
inline Lanes keep(Lanes v, Mask m) { return _mm256_and_pd(v, m); }
// The replacement where the mask is set.
inline Lanes replace(Lanes v, Mask m, Lanes replacement) { return _mm256_blendv_pd(v, replacement, m); }

// roundToInt32: the nearest integer as std::nearbyint gives it, saturated
// at the int32 limits, NaN as 0.
inline __m128i roundLanes(Lanes v) {
    Lanes r = _mm256_round_pd(v, _MM_FROUND_CUR_DIRECTION | _MM_FROUND_NO_EXC);
    r = keep(r, _mm256_cmp_pd(r, r, _CMP_ORD_Q));
    r = _mm256_min_pd(_mm256_max_pd(r, splat(-2147483648.0)), splat(2147483647.0));
    return _mm256_cvttpd_epi32(r);
}
// The rounded integer stored as a float (wholeNumber), and as a double.
inline Lanes wholeNumber(Lanes v) { return _mm256_cvtps_pd(_mm_cvtepi32_ps(roundLanes(v))); }
inline Lanes depthOf(Lanes v) { return _mm256_cvtepi32_pd(roundLanes(v)); }

struct Quad {
    Lanes x, y, z, w;
};

// x, y, z and w of consecutive records.
inline Quad loadQuad(const Vertex* v) {
    __m128 a = _mm_loadu_ps(&v[0].x), b = _mm_loadu_ps(&v[1].x), c = _mm_loadu_ps(&v[2].x),
           d = _mm_loadu_ps(&v[3].x);
    _MM_TRANSPOSE4_PS(a, b, c, d);
    return Quad{_mm256_cvtps_pd(a), _mm256_cvtps_pd(b), _mm256_cvtps_pd(c), _mm256_cvtps_pd(d)};
}

inline void storeQuad(const Quad& q, Vertex* v) {
    __m128 a = _mm256_cvtpd_ps(q.x), b = _mm256_cvtpd_ps(q.y), c = _mm256_cvtpd_ps(q.z), d = _mm256_cvtpd_ps(q.w);
    _MM_TRANSPOSE4_PS(a, b, c, d);
    _mm_storeu_ps(&v[0].x, a);
    _mm_storeu_ps(&v[1].x, b);
    _mm_storeu_ps(&v[2].x, c);
    _mm_storeu_ps(&v[3].x, d);
}

#include "core/vertex_lanes_kernel.inc"

}  // namespace lanes4

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

namespace lanes8 {

constexpr int kLanes = 8;
using Lanes = __m512d;
using Mask = __mmask8;
// The unmasked forms of some operations trip GCC 12's uninitialised-value
// warning inside its own header; the masked ones over every lane are the
// same operations.
constexpr Mask kAll = 0xff;

inline Lanes widen(__m256 v) { return _mm512_maskz_cvtps_pd(kAll, v); }
inline __m256 narrow(Lanes v) { return _mm512_maskz_cvtpd_ps(kAll, v); }

inline Lanes splat(double v) { return _mm512_set1_pd(v); }
inline Lanes add(Lanes a, Lanes b) { return _mm512_add_pd(a, b); }
inline Lanes sub(Lanes a, Lanes b) { return _mm512_sub_pd(a, b); }
inline Lanes mul(Lanes a, Lanes b) { return _mm512_mul_pd(a, b); }
inline Lanes div(Lanes a, Lanes b) { return _mm512_div_pd(a, b); }
inline Lanes squareRoot(Lanes v) { return _mm512_maskz_sqrt_pd(kAll, v); }
inline Lanes toFloat(Lanes v) { return widen(narrow(v)); }
inline Lanes load(const double* p) { return _mm512_load_pd(p); }
inline void store(double* p, Lanes v) { _mm512_store_pd(p, v); }
inline void storeFloats(float* p, Lanes v) { _mm256_store_ps(p, narrow(v)); }

inline Mask greater(Lanes a, Lanes b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
inline Mask greaterEqual(Lanes a, Lanes b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
inline Mask less(Lanes a, Lanes b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
inline Mask lessEqual(Lanes a, Lanes b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
inline Mask equal(Lanes a, Lanes b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
inline Mask either(Mask a, Mask b) { return static_cast<Mask>(a | b); }
inline int bits(Mask m) { return m; }
inline Lanes keep(Lanes v, Mask m) { return _mm512_maskz_mov_pd(m, v); }
inline Lanes replace(Lanes v, Mask m, Lanes replacement) { return _mm512_mask_mov_pd(v, m, replacement); }

inline __m256i roundLanes(Lanes v) {
    Lanes r = _mm512_maskz_roundscale_pd(kAll, v, _MM_FROUND_CUR_DIRECTION | _MM_FROUND_NO_EXC);
    r = keep(r, _mm512_cmp_pd_mask(r, r, _CMP_ORD_Q));
    r = _mm512_maskz_min_pd(kAll, _mm512_maskz_max_pd(kAll, r, splat(-2147483648.0)), splat(2147483647.0));
    return _mm512_maskz_cvttpd_epi32(kAll, r);
}
inline Lanes wholeNumber(Lanes v) { return widen(_mm256_cvtepi32_ps(roundLanes(v))); }
inline Lanes depthOf(Lanes v) { return _mm512_maskz_cvtepi32_pd(kAll, roundLanes(v)); }

struct Quad {
    Lanes x, y, z, w;
};

inline Quad loadQuad(const Vertex* v) {
    __m128 a0 = _mm_loadu_ps(&v[0].x), b0 = _mm_loadu_ps(&v[1].x), c0 = _mm_loadu_ps(&v[2].x),
           d0 = _mm_loadu_ps(&v[3].x), a1 = _mm_loadu_ps(&v[4].x), b1 = _mm_loadu_ps(&v[5].x),
           c1 = _mm_loadu_ps(&v[6].x), d1 = _mm_loadu_ps(&v[7].x);
    _MM_TRANSPOSE4_PS(a0, b0, c0, d0);
    _MM_TRANSPOSE4_PS(a1, b1, c1, d1);
    return Quad{widen(_mm256_set_m128(a1, a0)), widen(_mm256_set_m128(b1, b0)), widen(_mm256_set_m128(c1, c0)),
                widen(_mm256_set_m128(d1, d0))};
}

inline void storeQuad(const Quad& q, Vertex* v) {
    const __m256 x = narrow(q.x), y = narrow(q.y), z = narrow(q.z), w = narrow(q.w);
    for (int half = 0; half < 2; ++half) {
        __m128 a = half == 0 ? _mm256_castps256_ps128(x) : _mm256_extractf128_ps(x, 1);
        __m128 b = half == 0 ? _mm256_castps256_ps128(y) : _mm256_extractf128_ps(y, 1);
        __m128 c = half == 0 ? _mm256_castps256_ps128(z) : _mm256_extractf128_ps(z, 1);
        __m128 d = half == 0 ? _mm256_castps256_ps128(w) : _mm256_extractf128_ps(w, 1);
        _MM_TRANSPOSE4_PS(a, b, c, d);
        Vertex* const at = v + 4 * half;
        _mm_storeu_ps(&at[0].x, a);
        _mm_storeu_ps(&at[1].x, b);
        _mm_storeu_ps(&at[2].x, c);
        _mm_storeu_ps(&at[3].x, d);
    }
}

#include "core/vertex_lanes_kernel.inc"

}  // namespace lanes8

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace {

int32_t processorLanes() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return 8;
    return __builtin_cpu_supports("avx2") ? 4 : 1;
}

std::atomic<int32_t> lanesInUse{processorLanes()};

}  // namespace

bool processVerticesSideBySide(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                               const raster::LightingSetup& lighting) {
    switch (lanesInUse.load(std::memory_order_relaxed)) {
    case 8: lanes8::processRange(mesh, begin, end, mx, lighting); return true;
    case 4: lanes4::processRange(mesh, begin, end, mx, lighting); return true;
    default: return false;
    }
}

int32_t setVertexLanes(int32_t lanes) {
    const int32_t most = processorLanes();
    const int32_t chosen = lanes >= 8 && most >= 8 ? 8 : lanes >= 4 && most >= 4 ? 4 : 1;
    lanesInUse.store(chosen, std::memory_order_relaxed);
    return chosen;
}

#else

bool processVerticesSideBySide(Mesh&, int32_t, int32_t, const StageMatrices&, const raster::LightingSetup&) {
    return false;
}
int32_t setVertexLanes(int32_t) { return 1; }

#endif

}  // namespace trivane
