// Per-vertex Blinn lighting: defaults, material table, clamping, the exponent.
#include <gtest/gtest.h>

#include "raster/lighting.h"
#include "test_support.h"

namespace trivane {
namespace {

using Colour = std::array<float, 3>;

// One mesh with one vertex that the unturned Euler camera at the start-up
// position sees at camera-space (0, 0, 1500), the start-up light, and
// optionally a one-entry material table.
std::unique_ptr<Renderer> litScene() {
    auto r = test::makeRenderer();
    r->lighting.light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lighting.lightPosition.z = -300;
    r->camera.cameraPosition.z = -1700;
    r->scene.meshCount = 1;
    Mesh& m = r->scene.meshes[0];
    m.scale = Vector3{1, 1, 1};
    m.vertexCount = 1;
    m.vertices.assign(1, Vertex{});
    m.transformed.assign(1, Vertex{});
    m.clipFlags.assign(1, 0);
    m.vertices[0].z = -200;
    return r;
}

std::unique_ptr<Renderer> litScene(const LightingTerms& material, float shine) {
    auto r = litScene();
    r->scene.materials = {material};
    r->scene.materialShine = {shine};
    r->scene.materialCount = 1;
    return r;
}

Vertex normal(float x, float y, float z) {
    Vertex n{x, y, z, 0};
    n.normalize();
    return n;
}

// The vertex lit by the vertex stage with the normal n and the material
// number of its mesh.
Colour lit(Renderer& r, Vertex n, int32_t material = 0) {
    Mesh& m = r.scene.meshes[0];
    m.normals.assign(1, n);
    m.materialIndex = material;
    transformVertices(r.scene, r.camera, r.lighting, r.work);
    const Vertex& t = m.transformed[0];
    return Colour{t.r, t.g, t.b};
}

// light.ambient (0.2) times a material ambient, as the lighting forms it.
float ambientProduct(float materialAmbient) {
    return static_cast<float>(static_cast<double>(0.2f) * materialAmbient);
}

const Vertex kFacing = normal(0, 0, -1), kSideways = normal(1, 0, 0);

TEST(Lighting, DefaultMaterialFacingTheLightSaturatesAndTurnedAwayKeepsTheAmbientProduct) {
    auto r = litScene();
    r->lighting.material = LightingTerms{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};  // replaced before use
    EXPECT_EQ(lit(*r, kFacing), (Colour{1, 1, 1}));
    EXPECT_EQ(std::tuple(r->lighting.material.ambient.r, r->lighting.material.diffuse.g, r->lighting.material.specular.b, r->scene.materialSource),
              std::tuple(0.2f, 1.0f, 1.0f, -1));

    const float a = ambientProduct(0.2f);
    EXPECT_EQ(lit(*r, kSideways), (Colour{a, a, a}));

    // The defaults come from their field, so the dialog can edit them.
    r->lighting.defaultMaterial.ambient = Rgb{0.5f, 0.25f, 1.0f};
    EXPECT_EQ(lit(*r, kSideways), (Colour{ambientProduct(0.5f), ambientProduct(0.25f), 0.2f}));
    // Channels are clamped to 0..1.
    r->lighting.defaultMaterial.ambient = Rgb{-5, 0.5f, 40};
    EXPECT_EQ(lit(*r, kSideways), (Colour{0, ambientProduct(0.5f), 1}));
}

TEST(Lighting, MaterialTableEntryIsCopiedAndAnIndexOutsideItUsesTheDefaults) {
    auto r = litScene();
    r->scene.materials = {LightingTerms{{1, 1, 1}, {0, 0, 0}, {0, 0, 0}},
                    LightingTerms{{0.5f, 0.5f, 0.5f}, {0, 0, 0}, {0, 0, 0}}};
    r->scene.materialShine = {10, 10};
    r->scene.materialCount = 2;

    EXPECT_EQ(lit(*r, kSideways, 1)[0], ambientProduct(0.5f));
    EXPECT_EQ(std::pair(r->scene.materialSource, r->lighting.material.ambient.r), std::pair(1, 0.5f));

    // What the dialog writes into the material in use does not survive.
    r->lighting.material.ambient = Rgb{0, 0, 0};
    EXPECT_EQ(std::pair(lit(*r, kSideways, 0)[1], r->scene.materialSource), std::pair(0.2f, 0));

    for (int32_t bad : {2, -1, 1000000}) {
        EXPECT_EQ(lit(*r, kSideways, bad)[2], ambientProduct(0.2f)) << bad;
        EXPECT_EQ(std::pair(r->scene.materialSource, r->lighting.material.ambient.r), std::pair(-1, 0.2f)) << bad;
    }
    // A table shorter than its count is not read past its end.
    r->scene.materialCount = 5;
    EXPECT_EQ(lit(*r, kSideways, 3)[0], ambientProduct(0.2f));
}

TEST(Lighting, ShineIsTruncatedToAWholeExponent) {
    // A normal between the light and the halfway direction gives 0 < s < 1,
    // so neighbouring exponents give different colours.
    auto colourFor = [](float shine) {
        auto r = litScene(LightingTerms{{0, 0, 0}, {0, 0, 0}, {1, 1, 1}}, shine);
        return lit(*r, normal(0.3f, 0.2f, -1))[0];
    };
    EXPECT_EQ(colourFor(12.9f), colourFor(12.0f));
    EXPECT_TRUE(colourFor(13.0f) < colourFor(12.0f) && colourFor(12.0f) > 0.0f);
}

TEST(Lighting, LargeExponentsStopEarlyWithThePlainLoopsColour) {
    const raster::ColourTerms terms{{0.11, 0.32, 0.07}, {1.0f, 0.5f, 0.8f}, {0.7f, 0.4f, -0.06f}};
    // A product near 2e-44 scaled into 0..1: early on the range the remaining
    // products can reach gives three different colours.
    const raster::ColourTerms tiny{{0, 0, 0}, {3e38f, 3e38f, 3e38f}, {1e5f, 1.2e5f, 0.8e5f}};
    const raster::ColourTerms lastDiffers{{0, 0, 0}, {3e38f, 3e38f, 3e38f}, {1e6f, 1e6f, 1e5f}};  // red and green saturate
    struct Case {
        int32_t ulps;  // steps of s away from 1; negative is above 1
        int32_t times;
        const raster::ColourTerms& terms;
    };
    // Bases close to 1 from both sides, where the loop is the longest.
    for (const Case c : {Case{1, 3000000, terms}, Case{40, 20000, terms}, Case{7, 1234567, terms},
                         Case{-3, 500000, terms}, Case{167772, 10000, tiny},
                         Case{167772, 10000, lastDiffers}}) {
        float s = 1.0f;
        for (int32_t i = 0; i < std::abs(c.ulps); ++i) s = std::nextafter(s, c.ulps < 0 ? 2.0f : 0.0f);
        double plain = 1.0;
        for (int32_t i = 0; i < c.times; ++i) plain *= s;
        const double fast = raster::specularPower(s, c.times, c.terms);
        for (int k = 0; k < 3; ++k) {
            const float a = c.terms.channel(k, fast), b = c.terms.channel(k, plain);
            EXPECT_EQ(std::memcmp(&a, &b, 4), 0) << c.ulps << " " << k << " " << a << " " << b;
        }
    }
    EXPECT_EQ((std::array{raster::specularPower(0.75f, 0, terms), raster::specularPower(0.0f, -3, terms),
                          raster::specularPower(0.5f, 3, terms)}), (std::array{1.0, 1.0, 0.125}));
}

}  // namespace
}  // namespace trivane
