#include <bit>
#include <cstdint>

#include "raster/fills.h"
#include "raster/row_setup.h"
#include "raster/triangle_setup.h"

namespace trivane::raster {

namespace {

// Attribute order inside the textured fill.
enum Attr { U = 0, V = 1, R = 2, G = 3, B = 4, kAttrs = 5 };
// The attributes and, last, the reciprocal depth.
constexpr int kLanes = kAttrs + 1;

void attributes(const Vertex& v, float (&out)[kAttrs]) {
    out[U] = v.u;
    out[V] = v.v;
    out[R] = v.r;
    out[G] = v.g;
    out[B] = v.b;
}

// The fourth vertex on the long edge at the middle row, its texture
// coordinate and colour interpolated perspective-correctly.
Vertex texturedSplit(const Vertex& top, const Vertex& middle, const Vertex& bottom, double qTop, double qBottom) {
    const SplitRatio ratio = splitRatio(top, middle, bottom);
    Vertex s = splitOnLongEdge(top, middle, bottom, ratio, qTop, qBottom);
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

// The pixels of one row. Grey: red, green and blue start as the same bits and take
// the same steps, so they stay equal at every pixel and one of them stands
// for all three.
template <bool Grey>
void drawTexturedRow(FrameBand& band, const RowStart<kLanes>& row, const TexelSource& texels) {
    // Locals the byte stores cannot alias, so they stay in registers.
    const uint8_t* const texPixels = texels.pixels;
    const int64_t texAvailable = texels.available;
    const int32_t texWidth = texels.width;
    const double texMaxY = texels.maxY;
    const int64_t texStride = texels.stride;
    const float depthStep = row.step[kAttrs];
    float tu = row.value[U], tv = row.value[V], red = row.value[R], green = row.value[G], blue = row.value[B];
    const float stepU = row.step[U], stepV = row.step[V], stepRed = row.step[R], stepGreen = row.step[G],
                stepBlue = row.step[B];
    double q = row.q;
    float* const depth = band.depthRow(row.y);
    uint8_t* pixel = band.row(row.y) + 3 * row.start;
    for (int32_t x = row.start; x <= row.end; ++x, pixel += 3) {
        const double d = 1.0 / q;
        const float v = static_cast<float>(d * tv);
        const float u = static_cast<float>(d * tu);
        // Outside 0..1 (or NaN) the pixel is left alone, depth included.
        if (v >= 0.0f && v <= 1.0f && u >= 0.0f && u <= 1.0f) {
            // In range, so the products are small and truncate directly.
            const int64_t texRow = static_cast<int32_t>(static_cast<double>(v) * texMaxY);
            int64_t texColumn = static_cast<int32_t>(static_cast<double>(u) * texWidth);
            // u of exactly 1 names the column just past the row: use the last one.
            if (texColumn >= texWidth) texColumn = texWidth - 1;
            const int64_t offset = texRow * texStride + 3 * texColumn;
            // Column 0 takes the depth but never a colour.
            if (offset >= 0 && offset + 3 <= texAvailable && q > static_cast<double>(depth[x])) {
                if (x != 0) {
                    const uint8_t* texel = texPixels + offset;
                    // The colour factors stay double up to the product with
                    // the texel byte.
                    if constexpr (Grey) {
                        const double factor = d * red;
                        storeRgb(pixel, channelByte(redOf(texel) * factor), channelByte(greenOf(texel) * factor),
                                 channelByte(blueOf(texel) * factor));
                    } else {
                        storeRgb(pixel, channelByte(redOf(texel) * (d * red)),
                                 channelByte(greenOf(texel) * (d * green)), channelByte(blueOf(texel) * (d * blue)));
                    }
                }
                depth[x] = static_cast<float>(q);
            }
        }
        tu += stepU;
        tv += stepV;
        red += stepRed;
        if constexpr (!Grey) {
            green += stepGreen;
            blue += stepBlue;
        }
        q += depthStep;
    }
}

bool sameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

void drawRow(FrameBand& band, const RowStart<kLanes>& row, const TexelSource& texels) {
    const bool grey = sameBits(row.value[R], row.value[G]) && sameBits(row.value[G], row.value[B]) &&
                      sameBits(row.step[R], row.step[G]) && sameBits(row.step[G], row.step[B]);
    if (grey)
        drawTexturedRow<true>(band, row, texels);
    else
        drawTexturedRow<false>(band, row, texels);
}

// Attributes divided by depth and the reciprocal depth, interpolated linearly
// in screen space and divided back per pixel.
void fillTexturedHalf(FrameBand& band, const TexelSource& texels, const Vertex& left, const Vertex& right,
                      const Vertex& apex, const RowRange& rows, const HalfDepths& q) {
    const double qL = q.left, qR = q.right, qP = q.apex;
    float la[kAttrs], ra[kAttrs], pa[kAttrs];
    attributes(left, la);
    attributes(right, ra);
    attributes(apex, pa);
    // The five attributes divided by depth, then the reciprocal depth itself,
    // as six lanes: apex value and rise along each edge.
    HalfValues<kLanes> values;
    for (int k = 0; k < kAttrs; ++k) {
        values.base[k] = pa[k] * qP;
        values.riseL[k] = static_cast<float>(la[k] * qL - values.base[k]);
        values.riseR[k] = static_cast<float>(ra[k] * qR - values.base[k]);
    }
    values.base[kAttrs] = qP;
    values.riseL[kAttrs] = static_cast<float>(qL - qP);
    values.riseR[kAttrs] = static_cast<float>(qR - qP);

    forEachHalfRow(left, right, apex, rows, band.width - 1,
        [&](int32_t y, double f, const SpanColumns& span, const HalfEdges& edges) {
            // The reciprocal depth is stored as a float at the row ends too.
            drawRow(band, setUpRow<kLanes, true>(y, f, span, edges, values), texels);
        });
}

}  // namespace

TexelSource texelSource(const std::vector<uint8_t>& file, const uint8_t* pixels, int32_t width, int32_t maxY,
                        int32_t stride) {
    TexelSource t;
    if (pixels == nullptr || file.empty() || width <= 0 || maxY < 0 || stride < 0) return t;
    const uint8_t* begin = file.data();
    const uint8_t* end = begin + file.size();
    if (pixels < begin || pixels >= end) return t;
    t.pixels = pixels;
    t.available = end - pixels;
    t.width = width;
    t.maxY = maxY;
    t.stride = stride;
    return t;
}

TexturedTriangles::TexturedTriangles(FrameBand& band, const TexelSource& texels, bool fixSeam)
    : band_(band), texels_(texels), fixSeam_(fixSeam), queueing_(wideRowSetup()) {}

void TexturedTriangles::draw(Vertex a, Vertex b, Vertex c) {
    // Without texels no pixel can be drawn.
    if (band_.colour == nullptr || texels_.pixels == nullptr) return;
    if (fixSeam_) fixSeam(a, b, c);
    drawPlannedTriangle(a, b, c, band_.window(), texturedSplit,
        [this](const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
               const HalfDepths& q) { fillHalf(left, right, apex, rows, q); });
}

// A half of one or two rows waits in the queue; a longer one is drawn at
// once, after the rows queued before it.
void TexturedTriangles::fillHalf(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                                 const HalfDepths& q) {
    if (!queueing_ || rows.end - rows.first > 2) {
        flush();
        fillTexturedHalf(band_, texels_, left, right, apex, rows, q);
        return;
    }
    using C = QueuedRows<kAttrs>::Corner;
    const Vertex* corners[3] = {&left, &right, &apex};
    const double depths[3] = {q.left, q.right, q.apex};
    for (int32_t y = rows.first; y < rows.end; ++y) {
        const int32_t i = queue_.count++;
        for (int c = C::Left; c <= C::Apex; ++c) {
            float values[kAttrs];
            attributes(*corners[c], values);
            queue_.x[c][i] = corners[c]->x;
            queue_.y[c][i] = corners[c]->y;
            queue_.q[c][i] = depths[c];
            for (int k = 0; k < kAttrs; ++k) queue_.attr[c][k][i] = values[k];
        }
        queue_.row[i] = y;
        if (queue_.count == kQueuedRows) flush();
    }
}

void TexturedTriangles::flush() {
    if (queue_.count == 0) return;
    RowStart<kLanes> rows[kQueuedRows];
    const int32_t count = setUpQueuedRows<kAttrs, true>(queue_, band_.width - 1, rows);
    for (int32_t i = 0; i < count; ++i) drawRow(band_, rows[i], texels_);
    queue_.count = 0;
}

void TexturedTriangles::useTexels(const TexelSource& texels) {
    if (texels.pixels == texels_.pixels && texels.available == texels_.available && texels.width == texels_.width &&
        texels.maxY == texels_.maxY && texels.stride == texels_.stride)
        return;
    flush();
    texels_ = texels;
}

void drawTextured(FrameBand& band, const TexelSource& texels, bool fixSeamFirst, Vertex a, Vertex b, Vertex c) {
    TexturedTriangles triangles(band, texels, fixSeamFirst);
    triangles.draw(a, b, c);
}

}  // namespace trivane::raster
