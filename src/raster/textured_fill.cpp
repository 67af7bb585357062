#include <cstdint>

#include "core/renderer.h"
#include "raster/triangle_setup.h"

namespace trivane {

namespace {

using raster::HalfEdges;
using raster::SpanColumns;

// Attribute order inside the textured fill.
enum Attr { U = 0, V = 1, R = 2, G = 3, B = 4, kAttrs = 5 };

void attributes(const Vertex& v, float (&out)[kAttrs]) {
    out[U] = v.u;
    out[V] = v.v;
    out[R] = v.r;
    out[G] = v.g;
    out[B] = v.b;
}

// Where texels may be read: the bytes of the texture file from the first texel
// on. A texel row or column outside the stored image is never read.
struct TexelSource {
    const uint8_t* pixels = nullptr;
    int64_t available = 0;
    int32_t width = 0;
    int32_t maxY = 0;
    int64_t stride = 0;

    explicit TexelSource(const Renderer& r) {
        const std::vector<uint8_t>& file = r.textureFile;
        if (r.texturePixels == nullptr || file.empty() || r.textureWidth <= 0 ||
            r.textureMaxY < 0 || r.textureStride < 0)
            return;
        const uint8_t* begin = file.data();
        const uint8_t* end = begin + file.size();
        if (r.texturePixels < begin || r.texturePixels >= end) return;
        pixels = r.texturePixels;
        available = end - r.texturePixels;
        width = r.textureWidth;
        maxY = r.textureMaxY;
        stride = r.textureStride;
    }

    // The texel at (u, v), both within 0..1; null when it lies outside the file.
    const uint8_t* at(float u, float v) const {
        if (pixels == nullptr) return nullptr;
        const int64_t row = truncToInt32(static_cast<double>(v) * maxY);
        int64_t column = truncToInt32(static_cast<double>(u) * width);
        // u of exactly 1 names the column just past the row: use the last one.
        if (column >= width) column = width - 1;
        const int64_t offset = row * stride + 3 * column;
        if (offset < 0 || offset + 3 > available) return nullptr;
        return pixels + offset;
    }
};

// Attributes divided by depth and the reciprocal depth, interpolated linearly
// in screen space and divided back per pixel.
void fillTexturedHalf(Renderer& r, const Vertex& left, const Vertex& right, const Vertex& apex,
                      bool apexFirst) {
    const double qL = 1.0 / left.depth;
    const double qR = 1.0 / right.depth;
    const double qP = 1.0 / apex.depth;
    float la[kAttrs], ra[kAttrs], pa[kAttrs];
    attributes(left, la);
    attributes(right, ra);
    attributes(apex, pa);
    double apexDivided[kAttrs];
    float riseL[kAttrs], riseR[kAttrs];
    for (int k = 0; k < kAttrs; ++k) {
        apexDivided[k] = pa[k] * qP;
        riseL[k] = static_cast<float>(la[k] * qL - apexDivided[k]);
        riseR[k] = static_cast<float>(ra[k] * qR - apexDivided[k]);
    }
    const float depthRiseL = static_cast<float>(qL - qP);
    const float depthRiseR = static_cast<float>(qR - qP);
    const TexelSource texels(r);

    raster::forEachHalfRow(left, right, apex, apexFirst,
        [&](int32_t y, double f, const SpanColumns& span, const HalfEdges& edges) {
            const double width = static_cast<double>(span.width);
            const double skip = static_cast<double>(span.skip);
            float value[kAttrs], step[kAttrs];
            for (int k = 0; k < kAttrs; ++k) {
                const float aL = static_cast<float>(apexDivided[k] + f * riseL[k] / edges.heightL);
                const float aR = static_cast<float>(apexDivided[k] + f * riseR[k] / edges.heightR);
                step[k] = span.width == 0 ? 0.0f
                                          : static_cast<float>((static_cast<double>(aR) - aL) / width);
                value[k] = span.skip == 0 ? aL : static_cast<float>(aL + skip * step[k]);
            }
            const float qa = static_cast<float>(qP + f * depthRiseL / edges.heightL);
            const float qb = static_cast<float>(qP + f * depthRiseR / edges.heightR);
            const float depthStep =
                span.width == 0 ? 0.0f : static_cast<float>((static_cast<double>(qb) - qa) / width);
            double q = span.skip == 0 ? static_cast<double>(qa) : qa + skip * depthStep;

            float* depthRow = r.zBuffer + static_cast<int64_t>(y) * kFrameWidth;
            for (int32_t x = span.start; x <= span.end; ++x) {
                const double d = 1.0 / q;
                const float v = static_cast<float>(d * value[V]);
                const float u = static_cast<float>(d * value[U]);
                // Outside 0..1 (or NaN) the pixel is left alone, depth included.
                if (v >= 0.0f && v <= 1.0f && u >= 0.0f && u <= 1.0f) {
                    const uint8_t* texel = texels.at(u, v);
                    if (texel != nullptr) {
                        // The colour factors stay double up to the product with
                        // the texel byte.
                        r.drawColor[2] = raster::channelByte(texel[0] * (d * value[B]));
                        r.drawColor[1] = raster::channelByte(texel[1] * (d * value[G]));
                        r.drawColor[0] = raster::channelByte(texel[2] * (d * value[R]));
                        if (q > static_cast<double>(depthRow[x])) {
                            r.putPixel(x, y);
                            depthRow[x] = static_cast<float>(q);
                        }
                    }
                }
                for (int k = 0; k < kAttrs; ++k) value[k] += step[k];
                q += depthStep;
            }
        });
}

// The fourth vertex on the long edge at the middle row, its texture
// coordinate and colour interpolated perspective-correctly.
Vertex texturedSplit(const Vertex& top, const Vertex& middle, const Vertex& bottom) {
    const raster::SplitRatio ratio = raster::splitRatio(top, middle, bottom);
    Vertex s;
    s.x = static_cast<float>(top.x + ratio.of(static_cast<double>(bottom.x) - top.x));
    s.y = middle.y;
    s.z = 0.0f;
    s.w = 1.0f;
    const double qTop = 1.0 / top.depth;
    const double qBottom = 1.0 / bottom.depth;
    const double qSplit = qTop + ratio.of(qBottom - qTop);
    s.depth = 1.0 / qSplit;
    float ta[kAttrs], ba[kAttrs];
    attributes(top, ta);
    attributes(bottom, ba);
    float sa[kAttrs];
    for (int k = 0; k < kAttrs; ++k) {
        const double topDivided = ta[k] / top.depth;
        const double bottomDivided = ba[k] / bottom.depth;
        sa[k] = static_cast<float>((topDivided + ratio.of(bottomDivided - topDivided)) * s.depth);
    }
    s.u = sa[U];
    s.v = sa[V];
    s.r = sa[R];
    s.g = sa[G];
    s.b = sa[B];
    return s;
}

// A corner near u = 0 of a triangle that also reaches past u = 0.9 belongs to
// the far side of the seam. Corners are corrected in order, so a corrected
// corner counts for the ones after it.
void fixSeam(Vertex& a, Vertex& b, Vertex& c) {
    Vertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        const double u = v[i]->u;
        if (!(u >= 0.0 && u <= 0.1)) continue;
        const double other1 = v[(i + 1) % 3]->u;
        const double other2 = v[(i + 2) % 3]->u;
        if (other1 > 0.9 || other2 > 0.9) v[i]->u = 1.0f;
    }
}

}  // namespace

void Renderer::drawTexturedTriangle(Vertex a, Vertex b, Vertex c, int32_t /*faceIndex*/) {
    if (fixTextureSeam) fixSeam(a, b, c);
    raster::drawPlannedTriangle(a, b, c, texturedSplit,
        [this](const Vertex& left, const Vertex& right, const Vertex& apex, bool apexFirst) {
            if (apexFirst)
                fillTexturedApexFirst(left, right, apex);
            else
                fillTexturedApexLast(left, right, apex);
        });
}

void Renderer::fillTexturedApexFirst(Vertex left, Vertex right, Vertex apex) {
    fillTexturedHalf(*this, left, right, apex, true);
}

void Renderer::fillTexturedApexLast(Vertex left, Vertex right, Vertex apex) {
    fillTexturedHalf(*this, left, right, apex, false);
}

}  // namespace trivane
