// Gouraud and textured scanline fills: exact spans, colours, texels, clipping.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "test_support.h"

namespace trivane {
namespace {

using Rgb8 = std::array<int, 3>;  // red, green, blue

Vertex vtx(float x, float y, double depth, float r = 1, float g = 1, float b = 1, float u = 0,
           float v = 0) {
    Vertex p;
    p.x = x, p.y = y, p.depth = depth, p.r = r, p.g = g, p.b = b, p.u = u, p.v = v;
    return p;
}

Rgb8 pixel(const Renderer& r, int x, int y) {
    const uint8_t* p = r.frameBits + y * 2400 + 3 * x;
    return {p[2], p[1], p[0]};
}

bool coloured(const Renderer& r, int x, int y) { return pixel(r, x, y) != Rgb8{0, 0, 0}; }

float depthAt(const Renderer& r, int x, int y) { return r.zBuffer[y * 800 + x]; }

using Span = std::pair<int, int>;
const Span kNone{-1, -1};

// First and last column of row y that is coloured (or, with `depth`, has a
// depth written), or (-1, -1).
Span extent(const Renderer& r, int y, bool depth) {
    Span s = kNone;
    for (int x = 0; x < 800; ++x)
        if (depth ? depthAt(r, x, y) != 0.0f : coloured(r, x, y)) s = {s.first < 0 ? x : s.first, x};
    return s;
}
Span colourExtent(const Renderer& r, int y) { return extent(r, y, false); }
Span depthExtent(const Renderer& r, int y) { return extent(r, y, true); }

int countColoured(const Renderer& r) {
    int n = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) n += coloured(r, x, y);
    return n;
}

TEST(GouraudFill, HorizontalBottomEdgeGivesTheSixtyFivePixelTriangle) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(10, 10, 1000, 1, 0, 0), vtx(20, 10, 1000, 0, 1, 0),
                           vtx(10, 20, 1000, 0, 0, 1), 0);
    EXPECT_EQ(countColoured(*r), 65);
    for (int y = 10; y < 20; ++y) EXPECT_EQ(colourExtent(*r, y), Span(10, 30 - y)) << y;
    EXPECT_EQ(colourExtent(*r, 20), kNone);
    EXPECT_EQ(colourExtent(*r, 9), kNone);
    EXPECT_EQ(pixel(*r, 10, 10), (Rgb8{255, 0, 0}));
    EXPECT_EQ(pixel(*r, 20, 10), (Rgb8{0, 255, 0}));
    EXPECT_EQ(pixel(*r, 15, 10), (Rgb8{127, 127, 0}));
    EXPECT_EQ(pixel(*r, 10, 19), (Rgb8{25, 0, 229}));
    EXPECT_EQ(depthAt(*r, 12, 12), static_cast<float>(1.0 / 1000));
    // The last pixel that passed is (11, 19): red 0, green 25.5, blue 229.5.
    EXPECT_EQ(std::to_array(r->drawColor), (std::array<uint8_t, 3>{0, 25, 229}));
}

TEST(GouraudFill, SplitVertexLeftOrRightOfTheMiddleGivesTheExactRowExtents) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(100, 100, 1000), vtx(140, 120, 1000), vtx(110, 150, 1000), 0);
    EXPECT_EQ(depthExtent(*r, 99), kNone);
    EXPECT_EQ(depthExtent(*r, 100), Span(100, 100));
    EXPECT_EQ(depthExtent(*r, 119), Span(103, 138));
    EXPECT_EQ(depthExtent(*r, 120), Span(104, 140));
    EXPECT_EQ(depthExtent(*r, 149), Span(109, 111));
    EXPECT_EQ(depthExtent(*r, 150), kNone);
    EXPECT_EQ(pixel(*r, 120, 130), (Rgb8{255, 255, 255}));

    // The mirror image: the split vertex lies right of the middle vertex.
    auto m = test::makeRendererWithFrame();
    m->drawGouraudTriangle(vtx(60, 120, 1000), vtx(100, 100, 1000), vtx(110, 150, 1000), 0);
    EXPECT_EQ(depthExtent(*m, 100), Span(100, 100));
    EXPECT_EQ(depthExtent(*m, 119), Span(62, 103));
    EXPECT_EQ(depthExtent(*m, 120), Span(60, 104));
    EXPECT_EQ(depthExtent(*m, 150), kNone);

    // Depth 1 at the top and 3 at the bottom: at the middle row the long edge
    // carries 1/q = 1/(1 + (1/3 - 1) x 1/2) = 1.5, and the row starts there.
    auto q = test::makeRendererWithFrame();
    q->drawGouraudTriangle(vtx(100, 100, 1), vtx(200, 150, 50), vtx(100, 200, 3), 0);
    EXPECT_EQ(depthAt(*q, 100, 150), static_cast<float>(1.0 / 1.5));
}

TEST(GouraudFill, LeftClipStartsTheSpanPartWayAndColumnZeroOnlyTakesTheDepth) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(-10, 10, 1000, 1, 0, 0), vtx(10, 10, 1000, 0, 1, 0),
                           vtx(-10, 30, 1000, 0, 0, 1), 0);
    EXPECT_EQ(depthAt(*r, 0, 10), static_cast<float>(0.001));
    EXPECT_EQ(pixel(*r, 0, 10), (Rgb8{0, 0, 0}));
    EXPECT_EQ(pixel(*r, 1, 10), (Rgb8{114, 140, 0}));
    EXPECT_EQ(pixel(*r, 2, 10), (Rgb8{102, 153, 0}));
    EXPECT_EQ(pixel(*r, 10, 10), (Rgb8{0, 255, 0}));
    EXPECT_EQ(colourExtent(*r, 10), Span(1, 10));
}

TEST(GouraudFill, WideHalfIsClippedRowByRowWithoutShiftingTheNext) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(-40, 10, 1000), vtx(840, 10, 1000), vtx(20, 30, 1000), 0);
    EXPECT_EQ(colourExtent(*r, 10), Span(1, 799));
    EXPECT_EQ(colourExtent(*r, 11), Span(1, 799));
    EXPECT_EQ(colourExtent(*r, 12), Span(1, 758));
    EXPECT_EQ(colourExtent(*r, 23), Span(1, 307));
    EXPECT_EQ(colourExtent(*r, 24), Span(2, 266));
    EXPECT_EQ(colourExtent(*r, 29), Span(17, 61));
    EXPECT_EQ(colourExtent(*r, 30), kNone);
}

// Draws the triangle twice: the second pass must change no byte.
template <typename Draw>
void expectRedrawChangesNothing(Renderer& r, Draw draw) {
    draw();
    const std::vector<uint8_t> frame(r.frameBits, r.frameBits + 2400 * 600);
    const std::vector<float> depth(r.zBuffer, r.zBuffer + 480000);
    EXPECT_GT(countColoured(r), 10000);
    draw();
    EXPECT_EQ(std::memcmp(frame.data(), r.frameBits, frame.size()), 0);
    EXPECT_EQ(std::memcmp(depth.data(), r.zBuffer, depth.size() * 4), 0);
}

TEST(GouraudFill, DrawingTwiceChangesNothingAndHiddenPixelsDoNotShiftTheRest) {
    auto r = test::makeRendererWithFrame();
    const Vertex a = vtx(100, 100, 900, 1, 0.5f, 0), b = vtx(300, 180, 1300, 0, 1, 0.25f),
                 c = vtx(150, 320, 700, 0.2f, 0, 1);
    expectRedrawChangesNothing(*r, [&] { r->drawGouraudTriangle(a, b, c, 0); });

    // A nearer triangle of 230 pixels drawn first hides part of the big one;
    // every other pixel is exactly as when the big one is drawn alone.
    auto h = test::makeRendererWithFrame();
    h->drawGouraudTriangle(vtx(150, 150, 10, 0, 0, 0.5f), vtx(170, 150, 10, 0, 0, 0.5f),
                           vtx(150, 170, 10, 0, 0, 0.5f), 0);
    h->drawGouraudTriangle(a, b, c, 0);
    int hidden = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (pixel(*h, x, y) != pixel(*r, x, y)) {
                ASSERT_EQ(pixel(*h, x, y), (Rgb8{0, 0, 127})) << x << "," << y;
                ++hidden;
            }
    EXPECT_EQ(hidden, 230);
}

TEST(GouraudFill, DegenerateTrianglesDrawOnlyTheirOnePixelSpans) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(10, 50, 1), vtx(40, 50, 1), vtx(25, 50, 1), 0);
    EXPECT_EQ(countColoured(*r), 0);
    r->drawGouraudTriangle(vtx(30, 60, 1), vtx(30, 80, 1), vtx(30, 70, 1), 0);
    EXPECT_EQ(countColoured(*r), 20);
    for (int y = 60; y < 80; ++y) EXPECT_EQ(colourExtent(*r, y), Span(30, 30)) << y;
}

TEST(GouraudFill, RowsOutsideThePictureAreCutAndHugeOrNonFiniteCoordinatesStayInside) {
    auto top = test::makeRendererWithFrame();
    top->drawGouraudTriangle(vtx(100, -5, 1000), vtx(200, -5, 1000), vtx(100, 700, 1000), 0);
    EXPECT_EQ(depthExtent(*top, 0), kNone);
    // Row 1 is where the edges are at f = 6 / 705 from the apex row -5.
    EXPECT_EQ(depthExtent(*top, 1), Span(100, 199));
    EXPECT_NE(depthExtent(*top, 599), kNone);

    auto r = test::makeRendererWithFrame();
    const float big = 2147483648.0f;
    r->drawGouraudTriangle(vtx(-big, 10, 1000), vtx(big, 10, 1000), vtx(400, big, 1000), 0);
    EXPECT_EQ(colourExtent(*r, 10), Span(1, 799));
    EXPECT_EQ(colourExtent(*r, 599), Span(1, 799));
    EXPECT_EQ(depthAt(*r, 0, 599), 0.001f);
    EXPECT_EQ(colourExtent(*r, 9), kNone);

    auto n = test::makeRendererWithFrame();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    n->drawGouraudTriangle(vtx(nan, 10, 1000), vtx(100, nan, 1000), vtx(100, 300, 1000), 0);
    n->drawGouraudTriangle(vtx(-inf, -big, 0), vtx(inf, -big, 0), vtx(0, big, 0), 0);
    n->drawGouraudTriangle(vtx(-big, -big, 1), vtx(big, 3, 1), vtx(5, big, 1), 0);
    // Depth 0 makes the reciprocal infinite; nothing may crash or leave the picture.
    for (int i = 0; i < 480000; ++i) ASSERT_FALSE(std::isnan(n->zBuffer[i])) << i;
}

// A 64 x 64 texture whose texel (column, row) has blue 4 x column, green
// 4 x row and red 200, stored without padding (64 x 3 = 192 bytes a row).
void setTexture(Renderer& r) {
    r.textureFile.resize(64 * 192);
    for (int i = 0; i < 64 * 64; ++i) {
        uint8_t* t = r.textureFile.data() + 3 * i;  // i = row x 64 + column
        t[0] = static_cast<uint8_t>(4 * (i % 64)), t[1] = static_cast<uint8_t>(4 * (i / 64)), t[2] = 200;
    }
    r.texturePixels = r.textureFile.data();
    r.textureWidth = 64, r.textureMaxY = 63, r.textureStride = 192;
}

Rgb8 texel(int col, int row) { return {200, 4 * row, 4 * col}; }

std::unique_ptr<Renderer> texturedRenderer(uint8_t fixSeam = 1) {
    auto r = test::makeRendererWithFrame();
    setTexture(*r);
    r->fixTextureSeam = fixSeam;
    return r;
}

TEST(TexturedFill, TexelsFollowTheTextureCoordinates) {
    auto r = texturedRenderer();
    r->drawTexturedTriangle(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(42, 10, 1, 1, 1, 1, 0.5f, 0),
                            vtx(10, 42, 1, 1, 1, 1, 0, 0.5f), 0);
    for (int k = 0; k <= 32; ++k) EXPECT_EQ(pixel(*r, 10 + k, 10), texel(k, 0)) << k;
    EXPECT_EQ(colourExtent(*r, 26), Span(10, 26));
    EXPECT_EQ(pixel(*r, 10, 26), texel(0, 15));
    EXPECT_EQ(pixel(*r, 26, 26), texel(16, 15));
    EXPECT_NE(colourExtent(*r, 41), kNone);
    EXPECT_EQ(colourExtent(*r, 42), kNone);
}

TEST(TexturedFill, VertexColourScalesTheTexelBytes) {
    auto r = texturedRenderer();
    for (uint8_t& byte : r->textureFile) byte = 255;
    r->drawTexturedTriangle(vtx(10, 10, 1, 0.5f, 0.25f, 0.5f), vtx(42, 10, 1, 0.5f, 0.25f, 0.5f),
                            vtx(10, 42, 1, 0.5f, 0.25f, 0.5f), 0);
    EXPECT_EQ(pixel(*r, 20, 20), (Rgb8{127, 63, 127}));
}

TEST(TexturedFill, TextureCoordinatesArePerspectiveCorrect) {
    auto r = texturedRenderer();
    // Row 10 is exactly the span from u = 0 at depth 1 to u = 1 at depth 3.
    r->fillTexturedApexLast(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(12, 10, 3, 1, 1, 1, 1, 0),
                            vtx(10, 20, 1, 1, 1, 1, 0, 0));
    EXPECT_EQ(pixel(*r, 10, 10), texel(0, 0));
    // u = 0.25 (not 0.5) reads texel 16 (blue 64); the white vertex colour
    // comes back from the divided values as 0.99999994, so 200 and 64 drop by one.
    EXPECT_EQ(pixel(*r, 11, 10), (Rgb8{199, 0, 63}));
    // At the far end the float steps give u = 1.0000001, outside the texture.
    EXPECT_EQ(pixel(*r, 12, 10), (Rgb8{0, 0, 0}));
    EXPECT_EQ(depthAt(*r, 12, 10), 0.0f);
}

TEST(TexturedFill, SeamCorrectionMovesCornersNearZeroToOne) {
    // Pixel (10, 10) is corner a's own texture coordinate, with v = 0.
    auto cornerTexel = [](float ua, float ub, float uc, uint8_t fix) {
        auto r = texturedRenderer(fix);
        r->drawTexturedTriangle(vtx(10, 10, 1, 1, 1, 1, ua), vtx(40, 10, 1, 1, 1, 1, ub),
                                vtx(10, 40, 1, 1, 1, 1, uc), 0);
        return std::make_pair(pixel(*r, 10, 10), pixel(*r, 40, 10));
    };
    EXPECT_EQ(cornerTexel(0.05f, 0.95f, 0.5f, 1).first, texel(63, 0));
    EXPECT_EQ(cornerTexel(0.05f, 0.95f, 0.5f, 0).first, texel(3, 0));
    const auto both = cornerTexel(0.0f, 0.0f, 0.95f, 1);
    EXPECT_EQ(both.first, texel(63, 0));
    EXPECT_EQ(both.second, texel(63, 0));
    EXPECT_EQ(cornerTexel(0.0f, 0.0f, 0.95f, 0).second, texel(0, 0));
    // 0.1 as a float lies above 0.1, and 0.9 as a float below 0.9.
    EXPECT_EQ(cornerTexel(0.1f, 0.95f, 0.5f, 1).first, texel(6, 0));
    EXPECT_EQ(cornerTexel(0.05f, 0.9f, 0.5f, 1).first, texel(3, 0));
    // Below 0 nothing is corrected, and the pixel lies outside the texture.
    EXPECT_EQ(cornerTexel(-0.01f, 0.95f, 0.5f, 1).first, (Rgb8{0, 0, 0}));
}

TEST(TexturedFill, CoordinatesOutsideTheTextureSkipPixelsButKeepStepping) {
    auto r = texturedRenderer(0);
    r->zBuffer[10 * 800 + 30] = 0.25f;
    // u runs from 0 to 2 in steps of 1/16 along row 10.
    r->drawTexturedTriangle(vtx(10, 10, 1, 1, 1, 1, 0), vtx(42, 10, 1, 1, 1, 1, 2),
                            vtx(10, 42, 1, 1, 1, 1, 0), 0);
    EXPECT_EQ(colourExtent(*r, 10), Span(10, 26));
    EXPECT_EQ(pixel(*r, 20, 10), texel(40, 0));
    EXPECT_EQ(pixel(*r, 26, 10), texel(63, 0));
    EXPECT_EQ(depthAt(*r, 30, 10), 0.25f);
    EXPECT_EQ(depthAt(*r, 27, 10), 0.0f);
    EXPECT_EQ(depthAt(*r, 26, 10), 1.0f);
}

TEST(TexturedFill, DrawingTwiceChangesNothing) {
    auto r = texturedRenderer();
    const Vertex a = vtx(100, 100, 900, 1, 0.5f, 0.8f, 0.1f, 0.2f),
                 b = vtx(300, 180, 1300, 0.7f, 1, 0.25f, 0.8f, 0.3f),
                 c = vtx(150, 320, 700, 0.2f, 0.6f, 1, 0.4f, 0.9f);
    expectRedrawChangesNothing(*r, [&] { r->drawTexturedTriangle(a, b, c, 0); });
}

TEST(TexturedFill, MissingOrShortTextureIsNeverReadPastItsEnd) {
    auto r = texturedRenderer(0);
    r->textureFile.resize(10 * 192);  // rows 10 and up are missing
    r->texturePixels = r->textureFile.data();
    r->drawTexturedTriangle(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(74, 10, 1, 1, 1, 1, 1, 0),
                            vtx(10, 74, 1, 1, 1, 1, 0, 1), 0);
    EXPECT_EQ(pixel(*r, 20, 10), texel(10, 0));
    EXPECT_EQ(colourExtent(*r, 30), kNone);  // v x 63 = 19.7: row 19 is not there

    auto none = test::makeRendererWithFrame();
    none->drawTexturedTriangle(vtx(10, 10, 1, 1, 1, 1, 0, 0), vtx(74, 10, 1, 1, 1, 1, 1, 0),
                               vtx(10, 74, 1, 1, 1, 1, 0, 1), 0);
    EXPECT_EQ(countColoured(*none), 0);
}

}  // namespace
}  // namespace trivane
