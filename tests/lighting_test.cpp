// Per-vertex Blinn lighting: defaults, material table, clamping, the exponent.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "raster/lighting.h"
#include "test_support.h"

namespace trivane {
namespace {

// One mesh with one vertex at camera-space `at` (the frame transform is the
// identity) and the start-up light and camera.
std::unique_ptr<Renderer> litScene(float x, float y, float z) {
    auto r = test::makeRenderer();
    r->light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lightPosition.x = 0, r->lightPosition.y = 0, r->lightPosition.z = -300;
    r->cameraPosition.x = 0, r->cameraPosition.y = 0, r->cameraPosition.z = -1700;
    Mesh& m = r->meshes[0];
    m.vertexCount = 1;
    m.vertices.assign(1, Vertex{});
    m.transformed.assign(1, Vertex{});
    m.vertices[0].x = x, m.vertices[0].y = y, m.vertices[0].z = z;
    return r;
}

Vertex normal(float x, float y, float z) {
    Vertex n;
    n.x = x, n.y = y, n.z = z, n.w = 0;
    return n;
}

struct Colour {
    float r, g, b;
};

Colour lit(Renderer& r, Vertex n, int32_t material = 0) {
    r.lightVertex(0, 0, n, material);
    const Vertex& t = r.meshes[0].transformed[0];
    return Colour{t.r, t.g, t.b};
}

const float kAmbientProduct = static_cast<float>(static_cast<double>(0.2f) * 0.2f);

TEST(Lighting, DefaultMaterialFacingTheLightSaturatesAndTurnedAwayKeepsTheAmbientProduct) {
    auto r = litScene(0, 0, 1500);
    r->material = LightingTerms{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};  // replaced before use
    Colour c = lit(*r, normal(0, 0, -1));
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 1.0f);
    EXPECT_EQ(c.b, 1.0f);
    EXPECT_EQ(r->material.ambient.r, 0.2f);
    EXPECT_EQ(r->material.diffuse.g, 1.0f);
    EXPECT_EQ(r->material.specular.b, 1.0f);
    EXPECT_EQ(r->materialSource, -1);

    c = lit(*r, normal(1, 0, 0));
    EXPECT_EQ(c.r, kAmbientProduct);
    EXPECT_EQ(c.g, kAmbientProduct);
    EXPECT_EQ(c.b, kAmbientProduct);
    // Only the colour of the transformed vertex is written.
    EXPECT_EQ(r->meshes[0].transformed[0].x, 0.0f);
}

TEST(Lighting, DefaultMaterialComesFromItsFieldSoTheDialogCanEditIt) {
    auto r = litScene(0, 0, 1500);
    r->defaultMaterial.ambient = Rgb{0.5f, 0.25f, 1.0f};
    const Colour c = lit(*r, normal(1, 0, 0));
    EXPECT_EQ(c.r, static_cast<float>(static_cast<double>(0.2f) * 0.5f));
    EXPECT_EQ(c.g, static_cast<float>(static_cast<double>(0.2f) * 0.25f));
    EXPECT_EQ(c.b, 0.2f);
}

TEST(Lighting, MaterialTableEntryIsCopiedAndAnIndexOutsideItUsesTheDefaults) {
    auto r = litScene(0, 0, 1500);
    r->materials = {LightingTerms{{1, 1, 1}, {0, 0, 0}, {0, 0, 0}},
                    LightingTerms{{0.5f, 0.5f, 0.5f}, {0, 0, 0}, {0, 0, 0}}};
    r->materialShine = {10, 10};
    r->materialCount = 2;

    Colour c = lit(*r, normal(1, 0, 0), 1);
    EXPECT_EQ(c.r, static_cast<float>(static_cast<double>(0.2f) * 0.5f));
    EXPECT_EQ(r->materialSource, 1);
    EXPECT_EQ(r->material.ambient.r, 0.5f);

    // What the dialog writes into the material in use does not survive.
    r->material.ambient = Rgb{0, 0, 0};
    c = lit(*r, normal(1, 0, 0), 0);
    EXPECT_EQ(c.g, 0.2f);
    EXPECT_EQ(r->materialSource, 0);

    for (int32_t bad : {2, -1, 1000000}) {
        c = lit(*r, normal(1, 0, 0), bad);
        EXPECT_EQ(c.b, kAmbientProduct) << bad;
        EXPECT_EQ(r->materialSource, -1) << bad;
        EXPECT_EQ(r->material.ambient.r, 0.2f) << bad;
    }
    // A table shorter than its count is not read past its end.
    r->materialCount = 5;
    c = lit(*r, normal(1, 0, 0), 3);
    EXPECT_EQ(c.r, kAmbientProduct);
}

TEST(Lighting, ShineBelowOneGivesTheFullSpecularEvenWhereTheLightDoesNotReach) {
    auto r = litScene(0, 0, 1500);
    r->materials = {LightingTerms{{0.1f, 0.2f, 0.3f}, {1, 1, 1}, {0.25f, 0.5f, 0.125f}}};
    r->materialShine = {0.75f};
    r->materialCount = 1;
    const Colour c = lit(*r, normal(1, 0, 0));
    EXPECT_EQ(c.r, static_cast<float>(static_cast<double>(0.2f) * 0.1f + 0.25));
    EXPECT_EQ(c.g, static_cast<float>(static_cast<double>(0.2f) * 0.2f + 0.5));
    EXPECT_EQ(c.b, static_cast<float>(static_cast<double>(0.2f) * 0.3f + 0.125));
}

TEST(Lighting, ChannelsAreClampedToZeroAndOne) {
    auto r = litScene(0, 0, 1500);
    r->materials = {LightingTerms{{-5, 0.5f, 40}, {0, 0, 0}, {0, 0, 0}}};
    r->materialShine = {1};
    r->materialCount = 1;
    const Colour c = lit(*r, normal(1, 0, 0));
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.g, static_cast<float>(static_cast<double>(0.2f) * 0.5f));
    EXPECT_EQ(c.b, 1.0f);
}

TEST(Lighting, ShineIsTruncatedToAWholeExponent) {
    // A normal between the light and the halfway direction gives 0 < s < 1,
    // so neighbouring exponents give different colours.
    auto colourFor = [](float shine) {
        auto r = litScene(0, 0, 1500);
        r->materials = {LightingTerms{{0, 0, 0}, {0, 0, 0}, {1, 1, 1}}};
        r->materialShine = {shine};
        r->materialCount = 1;
        Vertex n = normal(0.3f, 0.2f, -1);
        n.normalize();
        return lit(*r, n).r;
    };
    EXPECT_EQ(colourFor(12.9f), colourFor(12.0f));
    EXPECT_NE(colourFor(12.9f), colourFor(13.0f));
    EXPECT_LT(colourFor(13.0f), colourFor(12.0f));
    EXPECT_GT(colourFor(12.0f), 0.0f);
}

TEST(Lighting, StoredCameraPositionIsUsedAsACameraSpacePoint) {
    // A pure highlight material on a normal halfway between the light (in
    // front) and the side: bright only when the stored eye sits to the side.
    auto r = litScene(0, 0, 1500);
    r->materials = {LightingTerms{{0, 0, 0}, {0, 0, 0}, {1, 1, 1}}};
    r->materialShine = {128};
    r->materialCount = 1;
    Vertex n = normal(1, 0, -1);
    n.normalize();
    const float before = lit(*r, n).r;
    r->cameraPosition.x = 3000;
    r->cameraPosition.z = 1500;
    const float after = lit(*r, n).r;
    EXPECT_LT(before, 1e-6f);
    EXPECT_GT(after, 0.999f);
}

// The plain product, step by step.
double plainPower(float s, int32_t times) {
    double e = 1.0;
    for (int32_t i = 0; i < times; ++i) e *= s;
    return e;
}

TEST(Lighting, LargeExponentsStopEarlyWithThePlainLoopsColour) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int compared = 0;
    for (int trial = 0; trial < 40; ++trial) {
        raster::ColourTerms terms{};
        for (int k = 0; k < 3; ++k) {
            terms.base[k] = unit(random) * 0.9;
            terms.specLight[k] = unit(random);
            terms.specMat[k] = unit(random) * (k == 2 ? -1.0f : 1.0f);
        }
        // Bases close to 1 from both sides, where the loop is the longest.
        const int32_t ulps = 1 + static_cast<int32_t>(unit(random) * 40);
        float s = 1.0f;
        for (int32_t i = 0; i < ulps; ++i) s = std::nextafter(s, trial % 4 == 3 ? 2.0f : 0.0f);
        const int32_t times = 20000 + static_cast<int32_t>(unit(random) * 3000000);
        const double fast = raster::specularPower(s, times, terms);
        const double plain = plainPower(s, times);
        for (int k = 0; k < 3; ++k) {
            const float a = terms.channel(k, fast), b = terms.channel(k, plain);
            EXPECT_EQ(std::memcmp(&a, &b, 4), 0) << trial << " " << k << " " << a << " " << b;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 120);
    raster::ColourTerms terms{{0.25, 0.5, 0}, {1, 1, 1}, {1, 1, 1}};
    EXPECT_EQ(raster::specularPower(0.75f, 0, terms), 1.0);
    EXPECT_EQ(raster::specularPower(0.0f, -3, terms), 1.0);
    EXPECT_EQ(raster::specularPower(0.5f, 3, terms), 0.125);
}

TEST(Lighting, HugeShineFinishesWithTheColourOfAVanishingHighlight) {
    auto colourFor = [](float shine, float specular) {
        auto r = litScene(0, 0, 1500);
        r->materials = {LightingTerms{{0.3f, 0.3f, 0.3f}, {0.5f, 0.5f, 0.5f}, {specular, specular, specular}}};
        r->materialShine = {shine};
        r->materialCount = 1;
        Vertex n = normal(0.001f, 0, -1);
        n.normalize();
        return lit(*r, n);
    };
    const Colour huge = colourFor(2.1e9f, 1.0f);
    const Colour none = colourFor(2.1e9f, 0.0f);
    EXPECT_EQ(huge.r, none.r);
    EXPECT_LT(huge.r, 1.0f);
    // The same normal with an ordinary exponent is still saturated.
    EXPECT_EQ(colourFor(128, 1.0f).r, 1.0f);
}

TEST(Lighting, VertexOrMeshOutsideTheTablesIsIgnored) {
    auto r = litScene(0, 0, 1500);
    r->meshes[0].transformed[0].r = 0.5f;
    r->lightVertex(0, 1, normal(0, 0, -1), 0);
    r->lightVertex(-1, 0, normal(0, 0, -1), 0);
    r->lightVertex(kMaxMeshes, 0, normal(0, 0, -1), 0);
    EXPECT_EQ(r->meshes[0].transformed[0].r, 0.5f);
}

}  // namespace
}  // namespace trivane
