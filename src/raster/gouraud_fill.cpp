#include <algorithm>
#include <cstdint>

#include "raster/fills.h"
#include "raster/row_setup.h"
#include "raster/triangle_setup.h"

namespace trivane::raster {

namespace {

constexpr int32_t kRowsAtOnce = 256;

// The fourth vertex on the long edge at the middle row: colours linear in
// screen space, the reciprocal depth on the straight line between the ends.
Vertex gouraudSplit(const Vertex& top, const Vertex& middle, const Vertex& bottom, double qTop, double qBottom) {
    const SplitRatio ratio = splitRatio(top, middle, bottom);
    Vertex s = splitOnLongEdge(top, middle, bottom, ratio, qTop, qBottom);
#if defined(__SSE2__)
    // ratio.of for two colours at once.
    const __m128d rise = _mm_set1_pd(ratio.rise), total = _mm_set1_pd(ratio.total);
    const __m128d redGreen = _mm_div_pd(
        _mm_mul_pd(_mm_set_pd(static_cast<double>(bottom.g) - top.g, static_cast<double>(bottom.r) - top.r), rise),
        total);
    s.r = static_cast<float>(top.r + _mm_cvtsd_f64(redGreen));
    s.g = static_cast<float>(top.g + _mm_cvtsd_f64(_mm_unpackhi_pd(redGreen, redGreen)));
#else
    s.r = static_cast<float>(top.r + ratio.of(static_cast<double>(bottom.r) - top.r));
    s.g = static_cast<float>(top.g + ratio.of(static_cast<double>(bottom.g) - top.g));
#endif
    s.b = static_cast<float>(top.b + ratio.of(static_cast<double>(bottom.b) - top.b));
    return s;
}

// Columns start..end of one row, from its values at start.
inline void drawRow(FrameBand& band, const RowStart<4>& row) {
    double q = row.q;
    const float depthStep = row.step[3];
    float* depth = band.depthRow(row.y);
    uint8_t* pixel = band.row(row.y) + 3 * row.start;
#if defined(__SSE2__)
    // The three colours as lanes of one vector: each lane adds its step as
    // the scalar float would, and the bytes come out together.
    __m128 colour = _mm_setr_ps(row.value[0], row.value[1], row.value[2], 0.0f);
    const __m128 step = _mm_setr_ps(row.step[0], row.step[1], row.step[2], 0.0f);
    const __m128 limit = _mm_set1_ps(2147483648.0f);
    const __m128i lowByte = _mm_set1_epi32(0xff);
#else
    float red = row.value[0], green = row.value[1], blue = row.value[2];
    const float stepRed = row.step[0], stepGreen = row.step[1], stepBlue = row.step[2];
#endif
    for (int32_t x = row.start; x <= row.end; ++x, pixel += 3) {
        // NaN on either side fails, as does an equal value.
        if (q > static_cast<double>(depth[x])) {
#if defined(__SSE2__)
            // channelByte per lane: truncation gives the int32 minimum (low
            // byte 0) for NaN and values below the range; 2^31 and above is 255.
            const __m128i over = _mm_castps_si128(_mm_cmpge_ps(colour, limit));
            __m128i bytes = _mm_and_si128(_mm_or_si128(_mm_cvttps_epi32(colour), over), lowByte);
            bytes = _mm_packs_epi32(bytes, bytes);
            const uint32_t rgb = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(bytes, bytes)));
#else
            const uint32_t rgb = channelByte(red) | static_cast<uint32_t>(channelByte(green)) << 8 |
                   static_cast<uint32_t>(channelByte(blue)) << 16;
#endif
            // Column 0 takes the depth but never a colour.
            if (x != 0) storeRgb(pixel, static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                                 static_cast<uint8_t>(rgb >> 16));
            depth[x] = static_cast<float>(q);
        }
#if defined(__SSE2__)
        colour = _mm_add_ps(colour, step);
#else
        red += stepRed;
        green += stepGreen;
        blue += stepBlue;
#endif
        q += depthStep;
    }
}

// Colours on the 0..255 scale and the reciprocal depth, interpolated linearly
// in screen space along the two edges and across each row.
inline void drawRow(FrameBand& band, const RowStart<4>& row, RowRecord* record) {
    drawRow(band, row);
    if (record != nullptr) record->add(row);
}

void fillGouraudHalf(FrameBand& band, const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                     const HalfDepths& q, RowRecord* record) {
    const double qL = q.left, qR = q.right, qP = q.apex;
    // Red, green, blue and the reciprocal depth as four lanes: apex value
    // and rise along each edge.
    HalfValues<4> values{{apex.r, apex.g, apex.b, qP}, {}, {}};
    const float leftColour[3] = {left.r, left.g, left.b};
    const float rightColour[3] = {right.r, right.g, right.b};
    for (int k = 0; k < 3; ++k) {
        values.riseL[k] = static_cast<float>(static_cast<double>(leftColour[k]) - values.base[k]);
        values.riseR[k] = static_cast<float>(static_cast<double>(rightColour[k]) - values.base[k]);
    }
    values.riseL[3] = static_cast<float>(qL - qP);
    values.riseR[3] = static_cast<float>(qR - qP);
    // Rows are set up a block at a time: the wide set-up gives each row the
    // values the one-row set-up would, whatever the block.
    const int32_t lastColumn = band.width - 1;
    RowStart<4> out[kRowsAtOnce];
    for (int32_t begin = rows.first; begin < rows.end; begin += kRowsAtOnce) {
        const RowRange block{begin, std::min(rows.end, begin + kRowsAtOnce)};
        const int32_t rowCount = setUpRowsAtOnce(left, right, apex, block, lastColumn, values, out);
        if (rowCount >= 0) {
            for (int32_t i = 0; i < rowCount; ++i) drawRow(band, out[i], record);
            continue;
        }
        forEachHalfRow(left, right, apex, block, lastColumn,
            [&](int32_t y, double f, const SpanColumns& span, const HalfEdges& edges) {
                drawRow(band, setUpRow(y, f, span, edges, values), record);
            });
    }
}

}  // namespace

void drawGouraudRows(FrameBand& band, const KeptRows& rows) {
    for (size_t i = 0; i < rows.size(); ++i) drawRow(band, rows[i]);
}

GouraudTriangles::GouraudTriangles(FrameBand& band, RowRecord* record)
    : band_(band), record_(record), queueing_(wideRowSetup()) {}

void GouraudTriangles::draw(Vertex a, Vertex b, Vertex c) {
    if (band_.colour == nullptr) return;
    for (Vertex* v : {&a, &b, &c}) {
        v->r = v->r * 255.0f;
        v->g = v->g * 255.0f;
        v->b = v->b * 255.0f;
    }
    drawPlannedTriangle(a, b, c, band_.window(), gouraudSplit,
        [this](const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
               const HalfDepths& q) { fillHalf(left, right, apex, rows, q); });
}

// A half of one or two rows waits in the queue; a longer one is drawn at
// once, after the rows queued before it.
void GouraudTriangles::fillHalf(const Vertex& left, const Vertex& right, const Vertex& apex, const RowRange& rows,
                                const HalfDepths& q) {
    if (!queueing_ || rows.end - rows.first > 2) {
        flush();
        fillGouraudHalf(band_, left, right, apex, rows, q, record_);
        return;
    }
    using C = QueuedRows<3>::Corner;
    const Vertex* corners[3] = {&left, &right, &apex};
    const double depths[3] = {q.left, q.right, q.apex};
    for (int32_t y = rows.first; y < rows.end; ++y) {
        const int32_t i = queue_.count++;
        for (int c = C::Left; c <= C::Apex; ++c) {
            queue_.x[c][i] = corners[c]->x;
            queue_.y[c][i] = corners[c]->y;
            queue_.q[c][i] = depths[c];
            queue_.attr[c][0][i] = corners[c]->r;
            queue_.attr[c][1][i] = corners[c]->g;
            queue_.attr[c][2][i] = corners[c]->b;
        }
        queue_.row[i] = y;
        if (queue_.count == kQueuedRows) flush();
    }
}

void GouraudTriangles::flush() {
    if (queue_.count == 0) return;
    RowStart<4> rows[kQueuedRows];
    const int32_t count = setUpQueuedRows<3, false>(queue_, band_.width - 1, rows);
    for (int32_t i = 0; i < count; ++i) drawRow(band_, rows[i], record_);
    queue_.count = 0;
}

void drawGouraud(FrameBand& band, Vertex a, Vertex b, Vertex c) {
    GouraudTriangles triangles(band);
    triangles.draw(a, b, c);
}

}  // namespace trivane::raster
