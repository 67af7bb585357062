// Gouraud and textured scanline fills: exact spans, colours, texels, clipping.
#include <gtest/gtest.h>

#include <random>

#include "raster/fills.h"
#include "raster/row_setup.h"
#include "test_support.h"

namespace trivane {
namespace {

using test::Rgb8;

Vertex vtx(float x, float y, double depth, float r = 1, float g = 1, float b = 1, float u = 0,
           float v = 0) {
    Vertex p;
    p.x = x, p.y = y, p.depth = depth, p.r = r, p.g = g, p.b = b, p.u = u, p.v = v;
    return p;
}

// The kernels drawing into a picture of their own, with a 64 x 64 texture
// without row padding: texel (column, row) has blue 4 x column, green
// 4 x row and red 200.
struct Drawing {
    test::Canvas canvas;
    std::vector<uint8_t> texture = std::vector<uint8_t>(64 * 192);
    bool fixSeam = true;

    Drawing() {
        for (int i = 0; i < 64 * 64; ++i) {
            uint8_t* t = texture.data() + 3 * i;  // i = row x 64 + column
            t[0] = static_cast<uint8_t>(4 * (i % 64)), t[1] = static_cast<uint8_t>(4 * (i / 64)), t[2] = 200;
        }
    }
    raster::TexelSource texels() const { return raster::texelSource(texture, texture.data(), 64, 63, 192); }
    void gouraud(Vertex a, Vertex b, Vertex c) {
        raster::FrameBand band = canvas.band();
        raster::drawGouraud(band, a, b, c);
    }
    void textured(Vertex a, Vertex b, Vertex c) {
        raster::FrameBand band = canvas.band();
        raster::drawTextured(band, texels(), fixSeam, a, b, c);
    }
};

Rgb8 pixel(const Drawing& d, int x, int y) { return d.canvas.pixel(x, y); }
int countColoured(const Drawing& d) { return d.canvas.countColoured(); }
bool coloured(const Drawing& d, int x, int y) { return pixel(d, x, y) != Rgb8{0, 0, 0}; }
float depthAt(const Drawing& d, int x, int y) { return d.canvas.depth[y * 800 + x]; }

using Span = std::pair<int, int>;
const Span kNone{-1, -1};

// First and last column of row y that is coloured (or, with `depth`, has a
// depth written), or (-1, -1).
Span extent(const Drawing& r, int y, bool depth) {
    Span s = kNone;
    for (int x = 0; x < 800; ++x)
        if (depth ? depthAt(r, x, y) != 0.0f : coloured(r, x, y)) s = {s.first < 0 ? x : s.first, x};
    return s;
}
Span colourExtent(const Drawing& r, int y) { return extent(r, y, false); }
Span depthExtent(const Drawing& r, int y) { return extent(r, y, true); }

TEST(GouraudFill, HorizontalBottomEdgeGivesTheSixtyFivePixelTriangle) {
    Drawing r;
    r.gouraud(vtx(10, 10, 1000, 1, 0, 0), vtx(20, 10, 1000, 0, 1, 0),
                           vtx(10, 20, 1000, 0, 0, 1));
    EXPECT_EQ(countColoured(r), 65);
    for (int y = 10; y < 20; ++y) EXPECT_EQ(colourExtent(r, y), Span(10, 30 - y)) << y;
    EXPECT_EQ(std::pair(colourExtent(r, 20), colourExtent(r, 9)), std::pair(kNone, kNone));
    EXPECT_EQ((std::vector<Rgb8>{pixel(r, 10, 10), pixel(r, 20, 10), pixel(r, 15, 10), pixel(r, 10, 19)}),
              (std::vector<Rgb8>{{255, 0, 0}, {0, 255, 0}, {127, 127, 0}, {25, 0, 229}}));
    EXPECT_EQ(depthAt(r, 12, 12), static_cast<float>(1.0 / 1000));
}

TEST(GouraudFill, SplitVertexLeftOrRightOfTheMiddleGivesTheExactRowExtents) {
    Drawing r;
    r.gouraud(vtx(100, 100, 1000), vtx(140, 120, 1000), vtx(110, 150, 1000));
    const std::vector<Span> rows = {depthExtent(r, 99), depthExtent(r, 100), depthExtent(r, 119), depthExtent(r, 120),
                                    depthExtent(r, 149), depthExtent(r, 150)};
    EXPECT_EQ(rows, (std::vector<Span>{kNone, {100, 100}, {103, 138}, {104, 140}, {109, 111}, kNone}));
    EXPECT_EQ(pixel(r, 120, 130), (Rgb8{255, 255, 255}));

    // The mirror image: the split vertex lies right of the middle vertex.
    Drawing m;
    m.gouraud(vtx(60, 120, 1000), vtx(100, 100, 1000), vtx(110, 150, 1000));
    EXPECT_EQ((std::vector<Span>{depthExtent(m, 100), depthExtent(m, 119), depthExtent(m, 120), depthExtent(m, 150)}),
              (std::vector<Span>{{100, 100}, {62, 103}, {60, 104}, kNone}));

    // Depth 1 at the top and 3 at the bottom: at the middle row the long edge
    // carries 1/q = 1/(1 + (1/3 - 1) x 1/2) = 1.5, and the row starts there.
    Drawing q;
    q.gouraud(vtx(100, 100, 1), vtx(200, 150, 50), vtx(100, 200, 3));
    EXPECT_EQ(depthAt(q, 100, 150), static_cast<float>(1.0 / 1.5));
}

TEST(GouraudFill, LeftClipStartsTheSpanPartWayAndColumnZeroOnlyTakesTheDepth) {
    Drawing r;
    r.gouraud(vtx(-10, 10, 1000, 1, 0, 0), vtx(10, 10, 1000, 0, 1, 0),
                           vtx(-10, 30, 1000, 0, 0, 1));
    EXPECT_EQ(depthAt(r, 0, 10), static_cast<float>(0.001));
    EXPECT_EQ((std::vector<Rgb8>{pixel(r, 0, 10), pixel(r, 1, 10), pixel(r, 2, 10), pixel(r, 10, 10)}),
              (std::vector<Rgb8>{{0, 0, 0}, {114, 140, 0}, {102, 153, 0}, {0, 255, 0}}));
    EXPECT_EQ(colourExtent(r, 10), Span(1, 10));
}

TEST(GouraudFill, ColourBytesKeepTheLowByteAndSaturateOnlyAtTwoToThe31) {
    // Flat colours, so every pixel carries the corner value times 255.
    const struct {
        float value;
        int byte;
    } cases[] = {{1e10f, 255}, {2.0f, 254}, {-0.5f, 129}, {NAN, 0}, {0.5f, 127}};
    for (const auto& c : cases) {
        Drawing r;
        r.gouraud(vtx(10, 10, 1000, c.value, 0, c.value), vtx(20, 10, 1000, c.value, 0, c.value),
                               vtx(10, 20, 1000, c.value, 0, c.value));
        EXPECT_EQ(pixel(r, 12, 12), (Rgb8{static_cast<uint8_t>(c.byte), 0, static_cast<uint8_t>(c.byte)}))
            << c.value;
    }
}

TEST(TriangleFills, QueuedShortRowsDrawWhatOneTriangleAtATimeDraws) {
    // Overlapping triangles of one to six rows, at the left and right picture
    // edges and across a band edge, flat and split, spans of width 0, mostly
    // at one depth, so that the order of drawing decides pixels; textured
    // ones with coordinates a little outside the texture.
    std::mt19937 rng(3);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    // Each triangle near the one before, so that neighbours overlap.
    std::vector<std::array<Vertex, 3>> triangles(4000);
    int x = 0, y = 300;
    for (auto& t : triangles) {
        x = pick(0, 99) == 0 ? pick(-3, 802) : std::clamp(x + pick(-2, 2), -3, 802);
        y = pick(0, 99) == 0 ? pick(-1, 601) : std::clamp(y + pick(-2, 2), -1, 601);
        for (Vertex& v : t)
            v = vtx(static_cast<float>(x + pick(-3, 3)), static_cast<float>(y + pick(-3, 3)),
                    pick(0, 3) == 0 ? pick(300, 900) : 500.0, real(-0.2f, 1.2f), real(-0.2f, 1.2f),
                    real(-0.2f, 1.2f), real(-0.1f, 1.1f), real(-0.1f, 1.1f));
    }
    auto draw = [&](bool textured, bool wide, int32_t rowBegin, int32_t rowEnd) {
        raster::setWideRowSetup(wide);
        Drawing d;
        raster::FrameBand band = d.canvas.band();
        band.rowBegin = rowBegin, band.rowEnd = rowEnd;
        raster::GouraudTriangles shaded(band);
        raster::TexturedTriangles mapped(band, d.texels(), false);
        for (const auto& t : triangles) {
            if (!wide) {
                textured ? raster::drawTextured(band, d.texels(), false, t[0], t[1], t[2])
                         : raster::drawGouraud(band, t[0], t[1], t[2]);
            } else {
                textured ? mapped.draw(t[0], t[1], t[2]) : shaded.draw(t[0], t[1], t[2]);
            }
        }
        shaded.flush();
        mapped.flush();
        raster::setWideRowSetup(true);
        return std::pair(d.canvas.colour, d.canvas.depth);
    };
    for (bool textured : {false, true})
        for (const auto& [begin, end] : {std::pair(0, 600), std::pair(0, 301), std::pair(301, 600)}) {
            const auto one = draw(textured, false, begin, end), queued = draw(textured, true, begin, end);
            EXPECT_TRUE(one.first == queued.first && one.second == queued.second)
                << (textured ? "textured " : "Gouraud ") << begin << ".." << end;
        }
}

TEST(GouraudFill, KeptRowsNeverTakeMoreBlocksThanTheBudgetPaysFor) {
    constexpr int64_t kBlock = raster::KeptRows::kBlockRows;
    struct Case {
        int64_t budget, rows;
        bool complete;
    } cases[] = {{0, 0, true}, {0, 1, false}, {kBlock, kBlock, true}, {kBlock, kBlock + 1, false},
                 {3 * kBlock, 2 * kBlock + 5, true}};
    raster::KeptRows kept;
    for (const Case& c : cases) {
        std::atomic<int64_t> budget{c.budget};
        raster::RowRecord record(kept, budget);
        for (int64_t i = 0; i < c.rows; ++i) record.add(raster::RowStart<4>{static_cast<int32_t>(i), 0, 0, {}, {}, 0});
        EXPECT_EQ(record.complete(), c.complete) << c.budget << " " << c.rows;
        EXPECT_GE(budget.load(), 0);
        if (c.complete) {
            EXPECT_EQ(kept.size(), static_cast<size_t>(c.rows));
            if (c.rows > 0) {
                EXPECT_EQ(kept[c.rows - 1].y, c.rows - 1);
            }
        }
    }
    // Blocks kept from before count against the next budget: without room
    // they are let go, and the record starts afresh.
    std::atomic<int64_t> none{0};
    raster::RowRecord again(kept, none);
    EXPECT_EQ(kept.size(), 0u);
    again.add(raster::RowStart<4>{});
    EXPECT_FALSE(again.complete());
}

Rgb8 texel(int col, int row) { return {200, 4 * row, 4 * col}; }

Drawing texturedDrawing(bool fixSeam = true) {
    Drawing d;
    d.fixSeam = fixSeam;
    return d;
}

TEST(TexturedFill, TextureCoordinatesArePerspectiveCorrect) {
    auto r = texturedDrawing(false);
    // Row 10 is exactly the span from u = 0 at depth 1 to u = 1 at depth 3.
    r.textured(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(12, 10, 3, 1, 1, 1, 1, 0), vtx(10, 20, 1, 1, 1, 1, 0, 0));
    EXPECT_EQ(pixel(r, 10, 10), texel(0, 0));
    // u = 0.25 (not 0.5) reads texel 16 (blue 64); the white vertex colour
    // comes back from the divided values as 0.99999994, so 200 and 64 drop by one.
    EXPECT_EQ(pixel(r, 11, 10), (Rgb8{199, 0, 63}));
    // At the far end the float steps give u = 1.0000001, outside the texture.
    EXPECT_EQ(pixel(r, 12, 10), (Rgb8{0, 0, 0}));
    EXPECT_EQ(depthAt(r, 12, 10), 0.0f);
}

TEST(TexturedFill, SeamCorrectionMovesCornersNearZeroToOne) {
    // Pixel (10, 10) is corner a's own texture coordinate, with v = 0.
    auto cornerTexel = [](float ua, float ub, float uc, bool fix) {
        auto r = texturedDrawing(fix);
        r.textured(vtx(10, 10, 1, 1, 1, 1, ua), vtx(40, 10, 1, 1, 1, 1, ub),
                                vtx(10, 40, 1, 1, 1, 1, uc));
        return std::make_pair(pixel(r, 10, 10), pixel(r, 40, 10));
    };
    EXPECT_EQ(cornerTexel(0.05f, 0.95f, 0.5f, true).first, texel(63, 0));
    EXPECT_EQ(cornerTexel(0.05f, 0.95f, 0.5f, false).first, texel(3, 0));
    const auto both = cornerTexel(0.0f, 0.0f, 0.95f, true);
    EXPECT_EQ(both.first, texel(63, 0));
    EXPECT_EQ(both.second, texel(63, 0));
    EXPECT_EQ(cornerTexel(0.0f, 0.0f, 0.95f, false).second, texel(0, 0));
    // 0.1 as a float lies above 0.1, and 0.9 as a float below 0.9.
    EXPECT_EQ(cornerTexel(0.1f, 0.95f, 0.5f, true).first, texel(6, 0));
    EXPECT_EQ(cornerTexel(0.05f, 0.9f, 0.5f, true).first, texel(3, 0));
    // Below 0 nothing is corrected, and the pixel lies outside the texture.
    EXPECT_EQ(cornerTexel(-0.01f, 0.95f, 0.5f, true).first, (Rgb8{0, 0, 0}));
}

TEST(TexturedFill, CoordinatesOutsideTheTextureSkipPixelsButKeepStepping) {
    auto r = texturedDrawing(false);
    r.canvas.depth[10 * 800 + 30] = 0.25f;
    // u runs from 0 to 2 in steps of 1/16 along row 10.
    r.textured(vtx(10, 10, 1, 1, 1, 1, 0), vtx(42, 10, 1, 1, 1, 1, 2),
                            vtx(10, 42, 1, 1, 1, 1, 0));
    EXPECT_EQ(colourExtent(r, 10), Span(10, 26));
    EXPECT_EQ(pixel(r, 20, 10), texel(40, 0));
    EXPECT_EQ(pixel(r, 26, 10), texel(63, 0));
    EXPECT_EQ(depthAt(r, 30, 10), 0.25f);
    EXPECT_EQ(depthAt(r, 27, 10), 0.0f);
    EXPECT_EQ(depthAt(r, 26, 10), 1.0f);
}

TEST(TexturedFill, MissingOrShortTextureIsNeverReadPastItsEnd) {
    auto r = texturedDrawing(false);
    r.texture.resize(10 * 192);  // rows 10 and up are missing
    r.textured(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(74, 10, 1, 1, 1, 1, 1, 0),
                            vtx(10, 74, 1, 1, 1, 1, 0, 1));
    EXPECT_EQ(pixel(r, 20, 10), texel(10, 0));
    EXPECT_EQ(colourExtent(r, 30), kNone);  // v x 63 = 19.7: row 19 is not there

    Drawing none;
    none.texture.clear();
    none.textured(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(74, 10, 1, 1, 1, 1, 1, 0),
                               vtx(10, 74, 1, 1, 1, 1, 0, 1));
    EXPECT_EQ(countColoured(none), 0);
}

}  // namespace
}  // namespace trivane
