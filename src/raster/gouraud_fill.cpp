#include <cstdint>

#include "raster/fills.h"
#include "raster/triangle_setup.h"

namespace trivane::raster {

namespace {

// The fourth vertex on the long edge at the middle row: colours linear in
// screen space, the reciprocal depth on the straight line between the ends.
Vertex gouraudSplit(const Vertex& top, const Vertex& middle, const Vertex& bottom) {
    const SplitRatio ratio = splitRatio(top, middle, bottom);
    Vertex s = splitOnLongEdge(top, middle, bottom, ratio);
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
    // Red, green, blue and the reciprocal depth as four lanes: apex value
    // and rise along each edge. The colours are stored as floats at the row
    // ends, the reciprocal depths stay double.
    const double base[4] = {apex.r, apex.g, apex.b, qP};
    float riseL[4], riseR[4];
    const float leftColour[3] = {left.r, left.g, left.b};
    const float rightColour[3] = {right.r, right.g, right.b};
    for (int k = 0; k < 3; ++k) {
        riseL[k] = static_cast<float>(static_cast<double>(leftColour[k]) - base[k]);
        riseR[k] = static_cast<float>(static_cast<double>(rightColour[k]) - base[k]);
    }
    riseL[3] = static_cast<float>(qL - qP);
    riseR[3] = static_cast<float>(qR - qP);

    forEachHalfRow(left, right, apex, apexFirst, band.rowBegin, band.rowEnd,
        [&](int32_t y, double f, const SpanColumns& span, const HalfEdges& edges) {
            double endL[4], endR[4], step[4];
            alongEdge(base, riseL, f, edges.heightL, endL);
            alongEdge(base, riseR, f, edges.heightR, endR);
            const double qa = endL[3], qb = endR[3];
            roundToFloat(endL);
            roundToFloat(endR);
            endL[3] = qa;
            endR[3] = qb;
            // A span of width 0 is one pixel with the left-end values.
            if (span.width == 0) {
                for (double& s : step) s = 0.0;
            } else {
                acrossRow(endL, endR, static_cast<double>(span.width), step);
                roundToFloat(step);
            }
            float colour[3];
            double q;
            if (span.skip == 0) {
                for (int k = 0; k < 3; ++k) colour[k] = static_cast<float>(endL[k]);
                q = qa;
            } else {
                const double skip = static_cast<double>(span.skip);
                for (int k = 0; k < 3; ++k) colour[k] = static_cast<float>(endL[k] + skip * step[k]);
                q = qa + skip * step[3];
            }
            const float depthStep = static_cast<float>(step[3]);

            // Locals the byte stores cannot alias, so they stay in registers.
            float red = colour[0], green = colour[1], blue = colour[2];
            const float stepRed = static_cast<float>(step[0]), stepGreen = static_cast<float>(step[1]),
                        stepBlue = static_cast<float>(step[2]);
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
