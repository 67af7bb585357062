// Colour buffer layout and the midpoint line walk.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "raster/fills.h"
#include "test_support.h"

namespace trivane {
namespace {

using Pixel = std::pair<int, int>;

// Every pixel that differs from black.
std::vector<Pixel> litPixels(const test::Canvas& canvas) {
    std::vector<Pixel> out;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint8_t* p = canvas.colour.data() + y * 2400 + 3 * x;
            if (p[0] || p[1] || p[2]) out.push_back({x, y});
        }
    return out;
}

// The line exactly as written: every step walked, the pixel kept when inside.
std::set<Pixel> plainWalk(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    std::set<Pixel> out;
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const bool xMajor = dx != 0 && std::llabs(dy) <= std::llabs(dx);
    const int64_t M = xMajor ? std::llabs(dx) : std::llabs(dy);
    const int64_t m = xMajor ? std::llabs(dy) : std::llabs(dx);
    for (int64_t d = 2 * m - M, t = 1, s = 0; t <= M; ++t) {
        s += d > 0;
        d += d > 0 ? 2 * (m - M) : 2 * m;
        const int64_t major = (xMajor ? dx : dy) > 0 ? t : -t, minor = (xMajor ? dy : dx) > 0 ? s : -s;
        const int64_t x = x0 + (xMajor ? major : minor), y = y0 + (xMajor ? minor : major);
        if (x > 0 && x < 800 && y > 0 && y < 600) out.insert({static_cast<int>(x), static_cast<int>(y)});
    }
    return out;
}

constexpr uint8_t kRed[3] = {255, 0, 0};

class FramebufferTest : public ::testing::Test {
protected:
    test::Canvas canvas;
    std::vector<Pixel> lineOnFreshFrame(int x0, int y0, int x1, int y1, const uint8_t (&rgb)[3] = kRed) {
        std::fill(canvas.colour.begin(), canvas.colour.end(), 0);
        raster::FrameBand band = canvas.band();
        raster::drawLine(band, x0, y0, x1, y1, rgb);
        return litPixels(canvas);
    }
};

TEST_F(FramebufferTest, BytesAreBlueGreenRedFromTheBottomRowAndPicturesAre16To8192Each) {
    constexpr uint8_t kColour[3] = {10, 20, 30};  // red, green, blue
    EXPECT_EQ(lineOnFreshFrame(797, 599, 799, 599, kColour), (std::vector<Pixel>{{798, 599}, {799, 599}}));
    const uint8_t* p = canvas.colour.data() + 599 * 2400 + 3 * 799;
    EXPECT_EQ(std::vector<int>(p, p + 3), (std::vector<int>{30, 20, 10}));
    // Rows are padded to four bytes; a size out of range leaves no picture.
    auto other = test::makeRenderer();
    createFrameBitmap(other->target, 1001, 16);
    EXPECT_EQ(std::tuple(other->target.frameStride, other->target.frameStorage.size(), other->target.zBuffer.size()),
              std::tuple(3004, 3004u * 16, 1001u * 16));
    for (auto [width, height] : {std::pair{15, 600}, {800, 8193}, {0, 0}, {-16, 16}}) {
        createFrameBitmap(other->target, width, height);
        EXPECT_EQ(other->target.frameBits, nullptr) << width << " x " << height;
    }
}

TEST_F(FramebufferTest, ClippedWalkMatchesThePlainWalk) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> far(-100000, 100000);
    std::uniform_int_distribution<int> near(-50, 850);
    for (int i = 0; i < 3000; ++i) {
        // Mix far end points with ones in and around the picture, so that
        // lines enter, leave, cross and miss it.
        const bool a = i % 3 != 0, b = i % 3 == 2;
        const int x0 = a ? far(random) : near(random), y0 = a ? far(random) : near(random);
        const int x1 = b ? far(random) : near(random), y1 = b ? far(random) : near(random);
        const std::vector<Pixel> drawn = lineOnFreshFrame(x0, y0, x1, y1);
        const std::set<Pixel> expected = plainWalk(x0, y0, x1, y1);
        ASSERT_EQ(std::set<Pixel>(drawn.begin(), drawn.end()), expected)
            << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST_F(FramebufferTest, FarAwayEndPointsStillDrawTheVisiblePart) {
    // Walking these step by step would take billions of steps.
    const std::vector<Pixel> drawn = lineOnFreshFrame(400, 300, 2000000000, -1500000000);
    EXPECT_EQ(drawn.size(), 399u);  // columns 401..799, down to row 1
    for (auto [x, y] : drawn) EXPECT_NEAR(y, 300 - 0.75 * (x - 400), 1.0) << x;

    // An exact 3:4 slope has ties; they keep the minor coordinate.
    const std::vector<Pixel> exact = lineOnFreshFrame(400, 300, 2000000400, -1499999700);
    ASSERT_EQ(exact.size(), 399u);
    for (auto [x, y] : exact) EXPECT_EQ(y, 300 - (3 * (x - 400) + 1) / 4) << x;

    const std::vector<Pixel> through = lineOnFreshFrame(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    ASSERT_EQ(through.size(), 599u);  // the diagonal (1, 1) .. (599, 599)
    EXPECT_EQ(through.front(), (Pixel{1, 1}));
    EXPECT_EQ(through.back(), (Pixel{599, 599}));
}

}  // namespace
}  // namespace trivane
