#include <cstdint>

#include "raster/fills.h"
#include "raster/triangle_setup.h"

namespace trivane::raster {

namespace {

// The fourth vertex on the long edge at the middle row: colours linear in
// screen space, the reciprocal depth on the straight line between the ends.
Vertex gouraudSplit(const Vertex& top, const Vertex& middle, const Vertex& bottom) {
    const SplitRatio ratio = splitRatio(top, middle, bottom);
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

// Colours on the 0..255 scale and the reciprocal depth, interpolated linearly
// in screen space along the two edges and across each row.
void fillGouraudHalf(FrameBand& band, const Vertex& left, const Vertex& right, const Vertex& apex,
                     bool apexFirst) {
    if (band.colour == nullptr) return;
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

    forEachHalfRow(left, right, apex, apexFirst, band.rowBegin, band.rowEnd,
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

            // Locals the byte stores cannot alias, so they stay in registers.
            float red = colour[0], green = colour[1], blue = colour[2];
            const float stepRed = step[0], stepGreen = step[1], stepBlue = step[2];
            float* depth = band.depthRow(y);
            uint8_t* pixel = band.row(y) + 3 * span.start;
            bool passed = false;
            uint8_t last[3] = {0, 0, 0};
            for (int32_t x = span.start; x <= span.end; ++x, pixel += 3) {
                // NaN on either side fails, as does an equal value.
                if (q > static_cast<double>(depth[x])) {
                    last[0] = channelByte(red);
                    last[1] = channelByte(green);
                    last[2] = channelByte(blue);
                    passed = true;
                    // Column 0 takes the depth but never a colour.
                    if (x != 0) storeRgb(pixel, last[0], last[1], last[2]);
                    depth[x] = static_cast<float>(q);
                }
                red += stepRed;
                green += stepGreen;
                blue += stepBlue;
                q += depthStep;
            }
            if (passed) band.noteLastColour(!apexFirst, y, last[0], last[1], last[2]);
        });
}

void drawGouraud(FrameBand& band, Vertex a, Vertex b, Vertex c) {
    for (Vertex* v : {&a, &b, &c}) {
        v->r = v->r * 255.0f;
        v->g = v->g * 255.0f;
        v->b = v->b * 255.0f;
    }
    drawPlannedTriangle(a, b, c, gouraudSplit,
        [&band](const Vertex& left, const Vertex& right, const Vertex& apex, bool apexFirst) {
            fillGouraudHalf(band, left, right, apex, apexFirst);
        });
}

}  // namespace trivane::raster
