// The vertex stage four vertices at a time: each lane of a 256-bit vector
// holds one vertex's value as a double, and goes through the operations of
// the one-vertex kernel (vertex_stage.cpp, Vertex::transformBy, normalize and
// raster::lightVertices) in the same order. Vector additions, products,
// quotients, square roots and conversions round exactly as the scalar ones
// do, so the results are the same bits.
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

namespace {

bool processorHasWideVectors() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

std::atomic<bool> useWide{processorHasWideVectors()};

#define WIDE __attribute__((target("avx2"))) inline

using Lanes = __m256d;

WIDE Lanes splat(double v) { return _mm256_set1_pd(v); }
WIDE Lanes add(Lanes a, Lanes b) { return _mm256_add_pd(a, b); }
WIDE Lanes sub(Lanes a, Lanes b) { return _mm256_sub_pd(a, b); }
WIDE Lanes mul(Lanes a, Lanes b) { return _mm256_mul_pd(a, b); }
WIDE Lanes div(Lanes a, Lanes b) { return _mm256_div_pd(a, b); }
// static_cast<float>, kept in a double.
WIDE Lanes toFloat(Lanes v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }
// Where the mask is set, the replacement.
WIDE Lanes replace(Lanes v, Lanes mask, Lanes replacement) { return _mm256_blendv_pd(v, replacement, mask); }

struct Quad {
    Lanes x, y, z, w;
};

// x, y, z and w of four consecutive records.
WIDE Quad loadQuad(const Vertex* v) {
    __m128 a = _mm_loadu_ps(&v[0].x), b = _mm_loadu_ps(&v[1].x), c = _mm_loadu_ps(&v[2].x),
           d = _mm_loadu_ps(&v[3].x);
    _MM_TRANSPOSE4_PS(a, b, c, d);
    return Quad{_mm256_cvtps_pd(a), _mm256_cvtps_pd(b), _mm256_cvtps_pd(c), _mm256_cvtps_pd(d)};
}

WIDE void storeQuad(const Quad& q, Vertex* v) {
    __m128 a = _mm256_cvtpd_ps(q.x), b = _mm256_cvtpd_ps(q.y), c = _mm256_cvtpd_ps(q.z), d = _mm256_cvtpd_ps(q.w);
    _MM_TRANSPOSE4_PS(a, b, c, d);
    _mm_storeu_ps(&v[0].x, a);
    _mm_storeu_ps(&v[1].x, b);
    _mm_storeu_ps(&v[2].x, c);
    _mm_storeu_ps(&v[3].x, d);
}

// Vertex::transformBy.
WIDE Quad transform(const Quad& p, const Matrix4& m) {
    Lanes column[4];
    for (int c = 0; c < 4; ++c) {
        Lanes sum = mul(p.x, splat(m.at(0, c)));
        sum = add(sum, mul(p.y, splat(m.at(1, c))));
        sum = add(sum, mul(p.z, splat(m.at(2, c))));
        sum = add(sum, mul(p.w, splat(m.at(3, c))));
        column[c] = toFloat(sum);
    }
    return Quad{column[0], column[1], column[2], column[3]};
}

// Vertex::normalize.
WIDE void normalize(Lanes& x, Lanes& y, Lanes& z) {
    const Lanes k = div(splat(1.0), _mm256_sqrt_pd(add(add(mul(x, x), mul(y, y)), mul(z, z))));
    x = toFloat(mul(x, k));
    y = toFloat(mul(y, k));
    z = toFloat(mul(z, k));
}

WIDE Lanes dot3(Lanes ax, Lanes ay, Lanes az, Lanes bx, Lanes by, Lanes bz) {
    return add(add(mul(ax, bx), mul(ay, by)), mul(az, bz));
}

// roundToInt32 of each lane: the nearest integer as std::nearbyint gives it,
// saturated at the int32 limits, NaN as 0.
WIDE __m128i roundLanes(Lanes v) {
    Lanes r = _mm256_round_pd(v, _MM_FROUND_CUR_DIRECTION | _MM_FROUND_NO_EXC);
    r = _mm256_and_pd(r, _mm256_cmp_pd(r, r, _CMP_ORD_Q));
    r = _mm256_min_pd(_mm256_max_pd(r, splat(-2147483648.0)), splat(2147483647.0));
    return _mm256_cvttpd_epi32(r);
}

// wholeNumber: the rounded integer stored as a float.
WIDE Lanes wholeNumber(Lanes v) { return _mm256_cvtps_pd(_mm_cvtepi32_ps(roundLanes(v))); }

// What lighting needs of the light, the viewer and the material, as lanes.
struct LightLanes {
    Lanes lightX, lightY, lightZ, viewerX, viewerY, viewerZ;
    double ambient[3];  // light ambient x material ambient
    float diffuseLight[3], diffuseMaterial[3], specLight[3], specMaterial[3];
};

WIDE LightLanes lightLanes(const raster::LightingSetup& s) {
    const Rgb* light[3] = {&s.light.ambient, &s.light.diffuse, &s.light.specular};
    const Rgb* material[3] = {&s.material.ambient, &s.material.diffuse, &s.material.specular};
    LightLanes l{splat(s.lightPosition.x),  splat(s.lightPosition.y),  splat(s.lightPosition.z),
                 splat(s.viewerPosition.x), splat(s.viewerPosition.y), splat(s.viewerPosition.z),
                 {}, {}, {}, {}, {}};
    for (int i = 0; i < 3; ++i) {
        const float la[3] = {light[i]->r, light[i]->g, light[i]->b};
        const float ma[3] = {material[i]->r, material[i]->g, material[i]->b};
        for (int k = 0; k < 3; ++k) {
            if (i == 0) l.ambient[k] = static_cast<double>(la[k]) * ma[k];
            if (i == 1) l.diffuseLight[k] = la[k], l.diffuseMaterial[k] = ma[k];
            if (i == 2) l.specLight[k] = la[k], l.specMaterial[k] = ma[k];
        }
    }
    return l;
}

// Up to this many vertices are lit together, their specular powers taken
// side by side.
constexpr int32_t kBlock = 16;

// One block's values between the lighting terms and the colours.
struct LitBlock {
    alignas(32) double base[3][kBlock];  // ambient + diffuse products, per channel
    alignas(32) double specBase[kBlock];  // float values
    alignas(32) double power[kBlock];
};

// Camera-space positions and unit normals of four vertices: the lighting
// terms of lightVertices up to the specular power.
WIDE void lightTerms(const LightLanes& l, const Quad& p, Lanes nx, Lanes ny, Lanes nz, LitBlock& out, int at) {
    Lanes lx = toFloat(sub(l.lightX, p.x)), ly = toFloat(sub(l.lightY, p.y)), lz = toFloat(sub(l.lightZ, p.z));
    normalize(lx, ly, lz);
    Lanes vx = toFloat(sub(l.viewerX, p.x)), vy = toFloat(sub(l.viewerY, p.y)), vz = toFloat(sub(l.viewerZ, p.z));
    normalize(vx, vy, vz);
    Lanes hx = toFloat(add(lx, vx)), hy = toFloat(add(ly, vy)), hz = toFloat(add(lz, vz));
    normalize(hx, hy, hz);
    const Lanes zero = _mm256_setzero_pd();
    Lanes diffuse = dot3(nx, ny, nz, lx, ly, lz);
    diffuse = _mm256_and_pd(diffuse, _mm256_cmp_pd(diffuse, zero, _CMP_GT_OQ));
    Lanes specBase = dot3(nx, ny, nz, hx, hy, hz);
    specBase = _mm256_and_pd(specBase, _mm256_cmp_pd(specBase, zero, _CMP_GT_OQ));
    specBase = replace(specBase, _mm256_cmp_pd(diffuse, zero, _CMP_EQ_OQ), zero);
    for (int k = 0; k < 3; ++k) {
        const Lanes d = mul(mul(diffuse, splat(l.diffuseLight[k])), splat(l.diffuseMaterial[k]));
        _mm256_store_pd(out.base[k] + at, add(splat(l.ambient[k]), d));
    }
    _mm256_store_pd(out.specBase + at, toFloat(specBase));
}

// The specular powers of a block: the plain product, or the shortened one
// for a huge exponent.
WIDE void specularPowers(const LightLanes& l, int32_t shininess, int32_t n, LitBlock& b) {
    if (shininess <= raster::kPlainPowerLimit) {
        Lanes p[kBlock / 4], s[kBlock / 4];
        for (int q = 0; q < kBlock / 4; ++q) p[q] = splat(1.0), s[q] = _mm256_load_pd(b.specBase + 4 * q);
        for (int32_t i = 0; i < shininess; ++i)
            for (int q = 0; q < kBlock / 4; ++q) p[q] = mul(p[q], s[q]);
        for (int q = 0; q < kBlock / 4; ++q) _mm256_store_pd(b.power + 4 * q, p[q]);
        return;
    }
    for (int32_t j = 0; j < n; ++j) {
        const raster::ColourTerms terms{{b.base[0][j], b.base[1][j], b.base[2][j]},
                                        {l.specLight[0], l.specLight[1], l.specLight[2]},
                                        {l.specMaterial[0], l.specMaterial[1], l.specMaterial[2]}};
        b.power[j] = raster::specularPower(static_cast<float>(b.specBase[j]), shininess, terms);
    }
}

// ColourTerms::channel of four vertices.
WIDE Lanes channel(const LightLanes& l, const LitBlock& b, int k, int at) {
    const Lanes e = _mm256_load_pd(b.power + at);
    const Lanes c = toFloat(add(_mm256_load_pd(b.base[k] + at), mul(mul(e, splat(l.specLight[k])),
                                                                     splat(l.specMaterial[k]))));
    const Lanes high = replace(c, _mm256_cmp_pd(c, splat(1.0), _CMP_GT_OQ), splat(1.0));
    return replace(high, _mm256_cmp_pd(high, _mm256_setzero_pd(), _CMP_LT_OQ), _mm256_setzero_pd());
}

// Projection, clip flags, the divide, the viewport and the rounding of four
// lit camera-space vertices, stored with their colours.
WIDE void finishQuad(const StageMatrices& mx, const LightLanes& l, const LitBlock& b, int at, Quad p, Vertex* out,
                     uint8_t* clipFlags) {
    p = transform(p, mx.projection);
    const Lanes minusW = sub(_mm256_setzero_pd(), p.w);
    Lanes outside = _mm256_cmp_pd(p.z, _mm256_setzero_pd(), _CMP_LT_OQ);
    outside = _mm256_or_pd(outside, _mm256_cmp_pd(p.z, p.w, _CMP_GE_OQ));
    outside = _mm256_or_pd(outside, _mm256_cmp_pd(p.x, p.w, _CMP_GE_OQ));
    outside = _mm256_or_pd(outside, _mm256_cmp_pd(p.x, minusW, _CMP_LE_OQ));
    outside = _mm256_or_pd(outside, _mm256_cmp_pd(p.y, p.w, _CMP_GE_OQ));
    outside = _mm256_or_pd(outside, _mm256_cmp_pd(p.y, minusW, _CMP_LE_OQ));
    const int flags = _mm256_movemask_pd(outside);
    const Lanes k = div(splat(1.0), p.w);
    p = Quad{toFloat(mul(p.x, k)), toFloat(mul(p.y, k)), toFloat(mul(p.z, k)), toFloat(mul(p.w, k))};
    p = transform(p, mx.viewport);
    p = Quad{wholeNumber(p.x), wholeNumber(p.y), wholeNumber(p.z), wholeNumber(p.w)};
    storeQuad(p, out);
    alignas(16) float colour[3][4];
    for (int c = 0; c < 3; ++c) _mm_store_ps(colour[c], _mm256_cvtpd_ps(channel(l, b, c, at)));
    for (int j = 0; j < 4; ++j) {
        clipFlags[j] = static_cast<uint8_t>((flags >> j) & 1);
        out[j].r = colour[0][j];
        out[j].g = colour[1][j];
        out[j].b = colour[2][j];
    }
}

// n (a multiple of four, at most kBlock) vertices from `first`.
WIDE void processBlock(Mesh& mesh, int32_t first, int32_t n, const StageMatrices& mx, const LightLanes& l,
                       int32_t shininess) {
    LitBlock block;
    Quad camera[kBlock / 4];
    for (int at = 0; at < n; at += 4) {
        const int32_t i = first + at;
        Quad& p = camera[at / 4];
        p = transform(loadQuad(&mesh.vertices[i]), mx.modelView);
        Quad normal = transform(loadQuad(&mesh.normals[i]), mx.modelView);
        normalize(normal.x, normal.y, normal.z);
        lightTerms(l, p, normal.x, normal.y, normal.z, block, at);
        alignas(32) double depth[4];
        _mm256_store_pd(depth, _mm256_cvtepi32_pd(roundLanes(p.z)));
        for (int j = 0; j < 4; ++j) {
            Vertex& out = mesh.transformed[i + j];
            out.depth = depth[j];
            out.u = mesh.vertices[i + j].u;
            out.v = mesh.vertices[i + j].v;
        }
    }
    for (int j = n; j < kBlock; ++j) block.specBase[j] = 0.0;
    specularPowers(l, shininess, n, block);
    for (int at = 0; at < n; at += 4)
        finishQuad(mx, l, block, at, camera[at / 4], &mesh.transformed[first + at], &mesh.clipFlags[first + at]);
}

__attribute__((target("avx2"))) void processRange(Mesh& mesh, int32_t begin, int32_t end,
                                                   const StageMatrices& mx, const raster::LightingSetup& lighting) {
    const LightLanes l = lightLanes(lighting);
    int32_t first = begin;
    for (int32_t n; (n = std::min(kBlock, (end - first) & ~3)) > 0; first += n)
        processBlock(mesh, first, n, mx, l, lighting.shininess);
    // The last one to three vertices one at a time.
    if (first < end) processVertices(mesh, first, end, mx, lighting);
}

#undef WIDE

}  // namespace

bool processVerticesFourByFour(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                               const raster::LightingSetup& lighting) {
    if (!useWide.load(std::memory_order_relaxed)) return false;
    processRange(mesh, begin, end, mx, lighting);
    return true;
}

void setWideVertexStage(bool on) { useWide.store(on && processorHasWideVectors(), std::memory_order_relaxed); }
bool wideVertexStage() { return useWide.load(std::memory_order_relaxed); }

#else

bool processVerticesFourByFour(Mesh&, int32_t, int32_t, const StageMatrices&, const raster::LightingSetup&) {
    return false;
}
void setWideVertexStage(bool) {}
bool wideVertexStage() { return false; }

#endif

}  // namespace trivane
