// Vertex and matrix primitives, and the transform builders.
#include <gtest/gtest.h>

#include <cmath>

#include "math/numeric.h"
#include "math/vertex.h"
#include "test_support.h"

namespace trivane {
namespace {

Matrix4 sampleMatrix() {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = 0.5f * static_cast<float>(i) - 3.25f;
    return m;
}

bool sameMatrix(const Matrix4& a, const Matrix4& b) {
    for (int i = 0; i < 16; ++i)
        if (!(a.m[i] == b.m[i])) return false;
    return true;
}

Vertex point(float x, float y, float z, float w = 1.0f) {
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.w = w;
    return v;
}

TEST(MatrixTest, IdentityOnEitherSideAndSquaringInPlace) {
    const Matrix4 m = sampleMatrix();
    Matrix4 left;  // identity
    left.multiply(m);
    EXPECT_TRUE(sameMatrix(left, m));
    Matrix4 right = m;
    right.multiply(Matrix4());
    EXPECT_TRUE(sameMatrix(right, m));

    Matrix4 expected;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += static_cast<double>(m.at(r, k)) * m.at(k, c);
            expected.at(r, c) = static_cast<float>(sum);
        }
    Matrix4 squared = m;
    squared.multiply(squared);
    EXPECT_TRUE(sameMatrix(squared, expected));
}

TEST(MatrixTest, PointsMoveAndDirectionsIgnoreTranslation) {
    Matrix4 t;
    t.at(3, 0) = 10;
    t.at(3, 1) = 20;
    t.at(3, 2) = 30;
    Vertex p = point(1, 2, 3, 1);
    p.u = 0.25f;
    p.r = 0.5f;
    p.depth = 42.0;
    const Vertex moved = p.transformedBy(t);
    EXPECT_EQ(moved.x, 11);
    EXPECT_EQ(moved.y, 22);
    EXPECT_EQ(moved.z, 33);
    EXPECT_EQ(moved.w, 1);
    EXPECT_EQ(moved.u, 0.25f);  // other fields copied
    EXPECT_EQ(moved.r, 0.5f);
    EXPECT_EQ(moved.depth, 42.0);
    EXPECT_EQ(p.x, 1);  // receiver untouched

    Vertex d = point(1, 2, 3, 0);
    d.transformBy(t);
    EXPECT_EQ(d.x, 1);
    EXPECT_EQ(d.y, 2);
    EXPECT_EQ(d.z, 3);
    EXPECT_EQ(d.w, 0);
}

TEST(MatrixTest, ProductActsAsOneTransformAfterAnother) {
    Matrix4 a = sampleMatrix();
    Matrix4 b;
    for (int i = 0; i < 16; ++i) b.m[i] = std::sin(static_cast<float>(i + 1));
    Matrix4 ab = a;
    ab.multiply(b);
    const Vertex v = point(0.75f, -1.5f, 2.25f, 1);
    const Vertex once = v.transformedBy(ab);
    const Vertex twice = v.transformedBy(a).transformedBy(b);
    EXPECT_NEAR(once.x, twice.x, 1e-4);
    EXPECT_NEAR(once.y, twice.y, 1e-4);
    EXPECT_NEAR(once.z, twice.z, 1e-4);
    EXPECT_NEAR(once.w, twice.w, 1e-4);
}

TEST(VectorTest, CrossAndNormalize) {
    const Vertex x = point(1, 0, 0, 5), y = point(0, 1, 0, 5);
    const Vertex z = x.cross(y);
    EXPECT_EQ(z.x, 0);
    EXPECT_EQ(z.y, 0);
    EXPECT_EQ(z.z, 1);
    EXPECT_EQ(z.w, 1);
    const Vertex minusZ = y.cross(x);
    EXPECT_EQ(minusZ.z, -1);
    const Vertex parallel = point(2, 4, 6).cross(point(1, 2, 3));
    EXPECT_EQ(parallel.x, 0);
    EXPECT_EQ(parallel.y, 0);
    EXPECT_EQ(parallel.z, 0);
    EXPECT_EQ(parallel.w, 1);

    Vertex v = point(3, 4, 0, 7);
    v.normalize();
    EXPECT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.8f);
    EXPECT_EQ(v.z, 0.0f);
    EXPECT_EQ(v.w, 7.0f);

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

    void setDefaults() {
        r->nearPlane = 300.0f;
        r->farPlane = 200000.0f;
        r->viewportWidth = 800.0f;
        r->viewportHeight = 600.0f;
    }
};

TEST_F(BuilderTest, NeutralBuildersKeepTheTransform) {
    r->transform = sampleMatrix();
    r->translate(0, 0, 0);
    r->scaleBy(1, 1, 1);
    EXPECT_TRUE(sameMatrix(r->transform, sampleMatrix()));
}

TEST_F(BuilderTest, RotationsUseTheRoundedDegreeFactor) {
    r->rotateZ(90);
    const Vertex p = point(1, 0, 0).transformedBy(r->transform);
    EXPECT_EQ(p.x, static_cast<float>(std::cos(1.57)));
    EXPECT_EQ(p.y, static_cast<float>(std::sin(1.57)));
    EXPECT_GT(p.x, 0.0f);
    EXPECT_LT(p.y, 1.0f);

    r->transform.setIdentity();
    r->rotateZ(360);
    EXPECT_FALSE(sameMatrix(r->transform, Matrix4()));
    EXPECT_LT(r->transform.at(0, 1), 0.0f);  // sin 6.28

    r->transform.setIdentity();
    r->rotateY(90);
    const Vertex q = point(1, 0, 0).transformedBy(r->transform);
    EXPECT_EQ(q.x, static_cast<float>(std::cos(1.57)));
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, static_cast<float>(std::sin(1.57)));  // towards +z

    r->transform.setIdentity();
    r->rotateX(90);
    const Vertex up = point(0, 1, 0).transformedBy(r->transform);
    EXPECT_EQ(up.y, static_cast<float>(std::cos(1.57)));
    EXPECT_EQ(up.z, static_cast<float>(std::sin(1.57)));
}

TEST_F(BuilderTest, TransposedRotationEqualsTheNegativeAngle) {
    void (Renderer::*builders[])(float) = {&Renderer::rotateX, &Renderer::rotateY, &Renderer::rotateZ};
    for (auto build : builders) {
        for (float angle : {37.0f, -120.5f, 90.0f}) {
            r->transform.setIdentity();
            r->transposeRotations = 1;
            (r.get()->*build)(angle);
            const Matrix4 transposed = r->transform;
            r->transform.setIdentity();
            r->transposeRotations = 0;
            (r.get()->*build)(-angle);
            EXPECT_TRUE(sameMatrix(transposed, r->transform)) << angle;
        }
    }
}

TEST_F(BuilderTest, LookAtAndEulerCameraAgreeOnTheDefaultView) {
    r->lookAt(point(0, 0, -1700), point(0, 0, 0), point(0, 1, 0));
    Matrix4 expected;
    expected.at(3, 2) = 1700;
    EXPECT_TRUE(sameMatrix(r->transform, expected));
    const Vertex origin = point(0, 0, 0).transformedBy(r->transform);
    EXPECT_EQ(origin.z, 1700);

    r->transform.setIdentity();
    r->transposeRotations = 1;
    r->translate(-0.0f, -0.0f, 1700.0f);
    r->rotateZ(0);
    r->rotateX(0);
    r->rotateY(0);
    r->transposeRotations = 0;
    EXPECT_TRUE(sameMatrix(r->transform, expected));
}

TEST_F(BuilderTest, ProjectionAndViewportMapTheViewVolume) {
    setDefaults();
    Vertex corner = point(400, 300, 300, 1);
    r->project(corner);
    EXPECT_EQ(corner.x, 300);
    EXPECT_EQ(corner.y, 300);
    EXPECT_NEAR(corner.z, 0, 1e-6);
    EXPECT_EQ(corner.w, 300);
    const float k = 1.0f / corner.w;
    corner.x *= k;
    corner.y *= k;
    corner.z *= k;
    corner.w *= k;
    r->toViewport(corner);
    EXPECT_EQ(corner.x, 800);
    EXPECT_EQ(corner.y, 600);
    EXPECT_NEAR(corner.z, 0, 1e-6);
    EXPECT_EQ(corner.w, 1);

    Vertex far = point(0, 0, 200000, 1);
    r->project(far);
    EXPECT_NEAR(far.z / far.w, 1.0, 1e-7);
    EXPECT_TRUE(sameMatrix(r->transform, Matrix4()));  // neither touches transform
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
