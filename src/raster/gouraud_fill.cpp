#include <cstdint>

#include "core/renderer.h"
#include "raster/triangle_setup.h"

namespace trivane {

namespace {

using raster::HalfEdges;
using raster::SpanColumns;

// Colours on the 0..255 scale and the reciprocal depth, interpolated linearly
// in screen space along the two edges and across each row.
void fillGouraudHalf(Renderer& r, const Vertex& left, const Vertex& right, const Vertex& apex,
                     bool apexFirst) {
    const double qL = 1.0 / left.depth;
    const double qR = 1.0 / right.depth;
    const double qP = 1.0 / apex.depth;
    const float apexColour[3] = {apex.r, apex.g, apex.b};
    const float leftColour[3] = {left.r, left.g, left.b};
    const float rightColour[3] = {right.r, right.g, right.b};
    float riseL[3], riseR[3];
    for (int k = 0; k < 3; ++k) {
        riseL[k] = static_cast<float>(static_cast<double>(leftColour[k]) - apexColour[k]);
        riseR[k] = static_cast<float>(static_cast<double>(rightColour[k]) - apexColour[k]);
    }
    const float depthRiseL = static_cast<float>(qL - qP);
    const float depthRiseR = static_cast<float>(qR - qP);

    raster::forEachHalfRow(left, right, apex, apexFirst,
        [&](int32_t y, double f, const SpanColumns& span, const HalfEdges& edges) {
            float colour[3], step[3];
            for (int k = 0; k < 3; ++k) {
                const float cL = static_cast<float>(apexColour[k] + f * riseL[k] / edges.heightL);
                const float cR = static_cast<float>(apexColour[k] + f * riseR[k] / edges.heightR);
                // A span of width 0 is one pixel with the left-end values.
                step[k] = span.width == 0
                              ? 0.0f
                              : static_cast<float>((static_cast<double>(cR) - cL) /
                                                   static_cast<double>(span.width));
                colour[k] = span.skip == 0
                                ? cL
                                : static_cast<float>(cL + static_cast<double>(span.skip) * step[k]);
            }
            // The end-of-row reciprocal depths stay double.
            const double qa = qP + f * depthRiseL / edges.heightL;
            const double qb = qP + f * depthRiseR / edges.heightR;
            const float depthStep =
                span.width == 0 ? 0.0f
                                : static_cast<float>((qb - qa) / static_cast<double>(span.width));
            double q = span.skip == 0 ? qa : qa + static_cast<double>(span.skip) * depthStep;

            float* depthRow = r.zBuffer + static_cast<int64_t>(y) * kFrameWidth;
            for (int32_t x = span.start; x <= span.end; ++x) {
                // NaN on either side fails, as does an equal value.
                if (q > static_cast<double>(depthRow[x])) {
                    r.drawColor[0] = raster::channelByte(colour[0]);
                    r.drawColor[1] = raster::channelByte(colour[1]);
                    r.drawColor[2] = raster::channelByte(colour[2]);
                    // Column 0 takes the depth but never a colour.
                    r.putPixel(x, y);
                    depthRow[x] = static_cast<float>(q);
                }
                for (int k = 0; k < 3; ++k) colour[k] += step[k];
                q += depthStep;
            }
        });
}

// The fourth vertex on the long edge at the middle row: colours linear in
// screen space, the reciprocal depth on the straight line between the ends.
Vertex gouraudSplit(const Vertex& top, const Vertex& middle, const Vertex& bottom) {
    const raster::SplitRatio ratio = raster::splitRatio(top, middle, bottom);
    Vertex s;
    s.x = static_cast<float>(top.x + ratio.of(static_cast<double>(bottom.x) - top.x));
    s.y = middle.y;
    s.z = 0.0f;
    s.w = 1.0f;
    s.u = 0.0f;
    s.v = 0.0f;
    const double qTop = 1.0 / top.depth;
    const double qBottom = 1.0 / bottom.depth;
    s.depth = 1.0 / (qTop + ratio.of(qBottom - qTop));
    s.r = static_cast<float>(top.r + ratio.of(static_cast<double>(bottom.r) - top.r));
    s.g = static_cast<float>(top.g + ratio.of(static_cast<double>(bottom.g) - top.g));
    s.b = static_cast<float>(top.b + ratio.of(static_cast<double>(bottom.b) - top.b));
    return s;
}

}  // namespace

void Renderer::drawGouraudTriangle(Vertex a, Vertex b, Vertex c, int32_t /*faceIndex*/) {
    for (Vertex* v : {&a, &b, &c}) {
        v->r = v->r * 255.0f;
        v->g = v->g * 255.0f;
        v->b = v->b * 255.0f;
    }
    raster::drawPlannedTriangle(a, b, c, gouraudSplit,
        [this](const Vertex& left, const Vertex& right, const Vertex& apex, bool apexFirst) {
            if (apexFirst)
                fillGouraudApexFirst(left, right, apex);
            else
                fillGouraudApexLast(left, right, apex);
        });
}

void Renderer::fillGouraudApexFirst(Vertex left, Vertex right, Vertex apex) {
    fillGouraudHalf(*this, left, right, apex, true);
}

void Renderer::fillGouraudApexLast(Vertex left, Vertex right, Vertex apex) {
    fillGouraudHalf(*this, left, right, apex, false);
}

}  // namespace trivane
