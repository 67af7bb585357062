// Vertex and matrix primitives, and the transform builders.
#include <gtest/gtest.h>

#include "math/numeric.h"
#include "math/vertex.h"
#include "test_support.h"

namespace trivane {
namespace {

using Xyzw = std::array<float, 4>;
using Floats16 = std::array<float, 16>;

Floats16 elements(const Matrix4& m) { return std::to_array(m.m); }
Xyzw xyzw(const Vertex& v) { return {v.x, v.y, v.z, v.w}; }

Matrix4 matrixOf(const Floats16& values) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = values[i];
    return m;
}

Vertex point(float x, float y, float z, float w = 1.0f) {
    Vertex v;
    v.x = x, v.y = y, v.z = z, v.w = w;
    return v;
}

const Floats16 kCounting{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

TEST(MatrixTest, IdentityOnEitherSideSquaringInPlaceAndProductOrder) {
    const Matrix4 m = matrixOf(kCounting);
    Matrix4 left, right = m;  // identity, counting
    left.multiply(m);
    right.multiply(Matrix4());
    EXPECT_EQ(std::pair(elements(left), elements(right)), std::pair(kCounting, kCounting));
    Matrix4 squared = m;
    squared.multiply(squared);
    EXPECT_EQ(elements(squared),
              (Floats16{56, 62, 68, 74, 152, 174, 196, 218, 248, 286, 324, 362, 344, 398, 452, 506}));

    // a x b moves a point by a first, then by b.
    const Matrix4 move = matrixOf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1});
    Matrix4 moveThenDouble = move;
    moveThenDouble.multiply(matrixOf({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}));
    EXPECT_EQ(xyzw(point(1, 2, 3).transformedBy(moveThenDouble)), (Xyzw{22, 44, 66, 1}));
}

TEST(MatrixTest, PointsMoveDirectionsIgnoreTranslationAndSumsAreDouble) {
    Matrix4 t;
    t.at(3, 0) = 10, t.at(3, 1) = 20, t.at(3, 2) = 30;
    Vertex p = point(1, 2, 3, 1);
    p.u = 0.25f, p.r = 0.5f, p.depth = 42.0;
    const Vertex moved = p.transformedBy(t);
    EXPECT_EQ(xyzw(moved), (Xyzw{11, 22, 33, 1}));
    EXPECT_EQ((std::array{double(moved.u), double(moved.r), moved.depth}), (std::array{0.25, 0.5, 42.0}));  // other fields copied

    Vertex d = point(1, 2, 3, 0);
    d.transformBy(t);
    EXPECT_EQ(xyzw(d), (Xyzw{1, 2, 3, 0}));

    // 2^24 + 1 + 1 summed in float stays 2^24; in double it is 2^24 + 2.
    const Matrix4 sum = matrixOf({1, 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_EQ(point(16777216.0f, 1, 1, 0).transformedBy(sum).x, 16777218.0f);
}

TEST(VectorTest, CrossAndNormalize) {
    const Vertex x = point(1, 0, 0, 5), y = point(0, 1, 0, 5);
    EXPECT_EQ((std::array{xyzw(x.cross(y)), xyzw(y.cross(x)), xyzw(point(2, 4, 6).cross(point(1, 2, 3)))}),
              (std::array{Xyzw{0, 0, 1, 1}, Xyzw{0, 0, -1, 1}, Xyzw{0, 0, 0, 1}}));

    Vertex v = point(3, 4, 0, 7);
    v.normalize();
    EXPECT_EQ(xyzw(v), (Xyzw{0.6f, 0.8f, 0.0f, 7.0f}));
}

TEST(NumericTest, ConversionsSaturateAndNaNIsZero) {
    const double in[] = {-2.9, 1e30, -1e30, std::nan(""), INFINITY, 2.5, 3.5, -2.5, 2147483647.4, 2147483646.6};
    const std::vector<int32_t> truncated = {-2, INT32_MAX, INT32_MIN, 0, INT32_MAX, 2, 3, -2, INT32_MAX, INT32_MAX - 1};
    const std::vector<int32_t> rounded = {-3, INT32_MAX, INT32_MIN, 0, INT32_MAX, 2, 4, -2, INT32_MAX, INT32_MAX};
    std::vector<int32_t> gotTruncated, gotRounded;
    for (double v : in) gotTruncated.push_back(truncToInt32(v)), gotRounded.push_back(roundToInt32(v));
    EXPECT_EQ(gotTruncated, truncated);
    EXPECT_EQ(gotRounded, rounded);
}

}  // namespace
}  // namespace trivane
