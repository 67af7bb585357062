// Vertex and matrix primitives, and the transform builders.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

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
    Matrix4 left;  // identity
    left.multiply(m);
    EXPECT_EQ(elements(left), kCounting);
    Matrix4 right = m;
    right.multiply(Matrix4());
    EXPECT_EQ(elements(right), kCounting);
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
    EXPECT_EQ(moved.u, 0.25f);  // other fields copied
    EXPECT_EQ(moved.r, 0.5f);
    EXPECT_EQ(moved.depth, 42.0);
    EXPECT_EQ(p.x, 1);  // receiver untouched

    Vertex d = point(1, 2, 3, 0);
    d.transformBy(t);
    EXPECT_EQ(xyzw(d), (Xyzw{1, 2, 3, 0}));

    // 2^24 + 1 + 1 summed in float stays 2^24; in double it is 2^24 + 2.
    const Matrix4 sum = matrixOf({1, 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_EQ(point(16777216.0f, 1, 1, 0).transformedBy(sum).x, 16777218.0f);
}

TEST(VectorTest, CrossAndNormalize) {
    const Vertex x = point(1, 0, 0, 5), y = point(0, 1, 0, 5);
    EXPECT_EQ(xyzw(x.cross(y)), (Xyzw{0, 0, 1, 1}));
    EXPECT_EQ(xyzw(y.cross(x)), (Xyzw{0, 0, -1, 1}));
    EXPECT_EQ(xyzw(point(2, 4, 6).cross(point(1, 2, 3))), (Xyzw{0, 0, 0, 1}));

    Vertex v = point(3, 4, 0, 7);
    v.normalize();
    EXPECT_EQ(xyzw(v), (Xyzw{0.6f, 0.8f, 0.0f, 7.0f}));

    Vertex zero = point(0, 0, 0);
    zero.normalize();  // no guard: NaN, and comparisons with it are false
    EXPECT_TRUE(std::isnan(zero.x));
}

TEST(NumericTest, ConversionsSaturateAndNaNIsZero) {
    EXPECT_EQ(truncToInt32(-2.9), -2);
    EXPECT_EQ(truncToInt32(1e30), INT32_MAX);
    EXPECT_EQ(truncToInt32(-1e30), INT32_MIN);
    EXPECT_EQ(truncToInt32(std::nan("")), 0);
    EXPECT_EQ(truncToInt32(INFINITY), INT32_MAX);
    EXPECT_EQ(roundToInt32(2.5), 2);
    EXPECT_EQ(roundToInt32(3.5), 4);
    EXPECT_EQ(roundToInt32(-2.5), -2);
    EXPECT_EQ(roundToInt32(2147483647.4), INT32_MAX);
}

class BuilderTest : public ::testing::Test {
protected:
    std::unique_ptr<Renderer> r = test::makeRenderer();
};

TEST_F(BuilderTest, RotationsUseTheRoundedDegreeFactor) {
    const float c = static_cast<float>(std::cos(1.57)), s = static_cast<float>(std::sin(1.57));
    r->rotateZ(90);
    EXPECT_EQ(xyzw(point(1, 0, 0).transformedBy(r->transform)), (Xyzw{c, s, 0, 1}));  // not (0, 1)

    r->transform.setIdentity();
    r->rotateZ(360);
    EXPECT_NE(elements(r->transform), elements(Matrix4()));
    EXPECT_LT(r->transform.at(0, 1), 0.0f);  // sin 6.28

    r->transform.setIdentity();
    r->rotateY(90);
    EXPECT_EQ(xyzw(point(1, 0, 0).transformedBy(r->transform)), (Xyzw{c, 0, s, 1}));  // towards +z

    r->transform.setIdentity();
    r->rotateX(90);
    EXPECT_EQ(xyzw(point(0, 1, 0).transformedBy(r->transform)), (Xyzw{0, c, s, 1}));
}

TEST_F(BuilderTest, TransposedRotationEqualsTheNegativeAngle) {
    for (auto build : {&Renderer::rotateX, &Renderer::rotateY, &Renderer::rotateZ}) {
        for (float angle : {37.0f, -120.5f, 90.0f}) {
            r->transform.setIdentity();
            r->transposeRotations = 1;
            (r.get()->*build)(angle);
            const Floats16 transposed = elements(r->transform);
            r->transform.setIdentity();
            r->transposeRotations = 0;
            (r.get()->*build)(-angle);
            EXPECT_EQ(transposed, elements(r->transform)) << angle;
        }
    }
}

TEST_F(BuilderTest, LookAtAndEulerCameraAgreeOnTheDefaultView) {
    r->lookAt(point(0, 0, -1700), point(0, 0, 0), point(0, 1, 0));
    Matrix4 expected;
    expected.at(3, 2) = 1700;
    EXPECT_EQ(elements(r->transform), elements(expected));

    r->transform.setIdentity();
    r->transposeRotations = 1;
    r->translate(-0.0f, -0.0f, 1700.0f);
    r->rotateZ(0);
    r->rotateX(0);
    r->rotateY(0);
    EXPECT_EQ(elements(r->transform), elements(expected));
}

TEST_F(BuilderTest, ProjectionAndViewportMapTheViewVolume) {
    r->nearPlane = 300, r->farPlane = 200000, r->viewportWidth = 800, r->viewportHeight = 600;
    Vertex corner = point(400, 300, 300, 1);
    r->project(corner);
    EXPECT_EQ(corner.x, 300);
    EXPECT_EQ(corner.y, 300);
    EXPECT_NEAR(corner.z, 0, 1e-6);
    EXPECT_EQ(corner.w, 300);
    const float k = 1.0f / corner.w;
    corner = point(corner.x * k, corner.y * k, corner.z * k, corner.w * k);
    r->toViewport(corner);
    EXPECT_EQ(corner.x, 800);
    EXPECT_EQ(corner.y, 600);
    EXPECT_NEAR(corner.z, 0, 1e-6);
    EXPECT_EQ(corner.w, 1);

    Vertex far = point(0, 0, 200000, 1);
    r->project(far);
    EXPECT_NEAR(far.z / far.w, 1.0, 1e-7);
    EXPECT_EQ(elements(r->transform), elements(Matrix4()));  // neither touches transform
}

TEST_F(BuilderTest, ProjectionWithZeroParametersDoesNotCrash) {
    Vertex v = point(1, 2, 3, 1);
    r->project(v);
    EXPECT_TRUE(std::isnan(v.x));  // 0 / 0 scale: the vertex is simply lost
    r->toViewport(v);
    EXPECT_TRUE(std::isnan(v.x));
    EXPECT_TRUE(std::isnan(v.y));
}

}  // namespace
}  // namespace trivane
