// Gouraud and textured scanline fills: exact spans, colours, texels, clipping.
#include <gtest/gtest.h>

#include "test_support.h"

namespace trivane {
namespace {

using test::countColoured;
using test::pixel;
using test::Rgb8;

Vertex vtx(float x, float y, double depth, float r = 1, float g = 1, float b = 1, float u = 0,
           float v = 0) {
    Vertex p;
    p.x = x, p.y = y, p.depth = depth, p.r = r, p.g = g, p.b = b, p.u = u, p.v = v;
    return p;
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

TEST(GouraudFill, HorizontalBottomEdgeGivesTheSixtyFivePixelTriangle) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(10, 10, 1000, 1, 0, 0), vtx(20, 10, 1000, 0, 1, 0),
                           vtx(10, 20, 1000, 0, 0, 1), 0);
    EXPECT_EQ(countColoured(*r), 65);
    for (int y = 10; y < 20; ++y) EXPECT_EQ(colourExtent(*r, y), Span(10, 30 - y)) << y;
    EXPECT_EQ(std::pair(colourExtent(*r, 20), colourExtent(*r, 9)), std::pair(kNone, kNone));
    EXPECT_EQ((std::vector<Rgb8>{pixel(*r, 10, 10), pixel(*r, 20, 10), pixel(*r, 15, 10), pixel(*r, 10, 19)}),
              (std::vector<Rgb8>{{255, 0, 0}, {0, 255, 0}, {127, 127, 0}, {25, 0, 229}}));
    EXPECT_EQ(depthAt(*r, 12, 12), static_cast<float>(1.0 / 1000));
    // The last pixel that passed is (11, 19): red 0, green 25.5, blue 229.5.
    EXPECT_EQ(std::to_array(r->drawColor), (std::array<uint8_t, 3>{0, 25, 229}));
}

TEST(GouraudFill, SplitVertexLeftOrRightOfTheMiddleGivesTheExactRowExtents) {
    auto r = test::makeRendererWithFrame();
    r->drawGouraudTriangle(vtx(100, 100, 1000), vtx(140, 120, 1000), vtx(110, 150, 1000), 0);
    const std::vector<Span> rows = {depthExtent(*r, 99), depthExtent(*r, 100), depthExtent(*r, 119), depthExtent(*r, 120),
                                    depthExtent(*r, 149), depthExtent(*r, 150)};
    EXPECT_EQ(rows, (std::vector<Span>{kNone, {100, 100}, {103, 138}, {104, 140}, {109, 111}, kNone}));
    EXPECT_EQ(pixel(*r, 120, 130), (Rgb8{255, 255, 255}));

    // The mirror image: the split vertex lies right of the middle vertex.
    auto m = test::makeRendererWithFrame();
    m->drawGouraudTriangle(vtx(60, 120, 1000), vtx(100, 100, 1000), vtx(110, 150, 1000), 0);
    EXPECT_EQ((std::vector<Span>{depthExtent(*m, 100), depthExtent(*m, 119), depthExtent(*m, 120), depthExtent(*m, 150)}),
              (std::vector<Span>{{100, 100}, {62, 103}, {60, 104}, kNone}));

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
    EXPECT_EQ((std::vector<Rgb8>{pixel(*r, 0, 10), pixel(*r, 1, 10), pixel(*r, 2, 10), pixel(*r, 10, 10)}),
              (std::vector<Rgb8>{{0, 0, 0}, {114, 140, 0}, {102, 153, 0}, {0, 255, 0}}));
    EXPECT_EQ(colourExtent(*r, 10), Span(1, 10));
}

TEST(GouraudFill, ColourBytesKeepTheLowByteAndSaturateOnlyAtTwoToThe31) {
    // Flat colours, so every pixel carries the corner value times 255.
    const struct {
        float value;
        int byte;
    } cases[] = {{1e10f, 255}, {2.0f, 254}, {-0.5f, 129}, {NAN, 0}, {0.5f, 127}};
    for (const auto& c : cases) {
        auto r = test::makeRendererWithFrame();
        r->drawGouraudTriangle(vtx(10, 10, 1000, c.value, 0, c.value), vtx(20, 10, 1000, c.value, 0, c.value),
                               vtx(10, 20, 1000, c.value, 0, c.value), 0);
        EXPECT_EQ(pixel(*r, 12, 12), (Rgb8{static_cast<uint8_t>(c.byte), 0, static_cast<uint8_t>(c.byte)}))
            << c.value;
    }
}

Rgb8 texel(int col, int row) { return {200, 4 * row, 4 * col}; }

std::unique_ptr<Renderer> texturedRenderer(uint8_t fixSeam = 1) {
    auto r = test::makeRendererWithFrame();
    test::setTexture(*r);
    r->fixTextureSeam = fixSeam;
    return r;
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
