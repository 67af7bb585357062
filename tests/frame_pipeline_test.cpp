// The frame: vertex stage, clip flags, culling, the three modes, re-transform rules.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "test_support.h"

namespace trivane {
namespace {

using Rgb8 = std::array<int, 3>;

Rgb8 pixel(const Renderer& r, int x, int y) {
    const uint8_t* p = r.frameBits + y * 2400 + 3 * x;
    return {p[2], p[1], p[0]};
}

int countColoured(const Renderer& r) {
    int n = 0;
    for (int i = 0; i < 2400 * 600; i += 3)
        n += (r.frameBits[i] | r.frameBits[i + 1] | r.frameBits[i + 2]) != 0;
    return n;
}

// The start-up camera, projection and light, with a frame to draw into.
std::unique_ptr<Renderer> scene(int32_t mode) {
    auto r = test::makeRendererWithFrame();
    r->perfFrequency = 1000000000;
    r->lookAtMode = 1;
    r->nearPlane = 300, r->farPlane = 200000, r->viewportWidth = 800, r->viewportHeight = 600;
    r->cameraPosition.z = -1700;
    r->cameraUp.y = 1;
    r->meshes[0].scale = Vector3{1, 1, 1};
    r->light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lightPosition.z = -300;
    r->renderMode = mode;
    r->dirty = 1;
    return r;
}

struct P3 {
    float x, y, z;
};

// Adds a visible mesh whose normals all face the camera. With the start-up
// camera a world point (x, y, -1100) lands on pixel (400 + x / 2, 300 + y / 2).
Mesh& addMesh(Renderer& r, std::initializer_list<P3> points, std::initializer_list<int32_t> indices) {
    Mesh& m = r.meshes[r.meshCount++];
    const int n = static_cast<int>(points.size());
    m.vertexCount = n;
    m.vertices.assign(n, Vertex{});
    m.transformed.assign(n, Vertex{});
    m.normals.assign(n, Vertex{});
    m.clipFlags.assign(n, 0);
    int i = 0;
    for (const P3& p : points) {
        m.vertices[i].x = p.x, m.vertices[i].y = p.y, m.vertices[i].z = p.z;
        m.normals[i].z = -1, m.normals[i].w = 0;
        ++i;
    }
    m.indices.assign(indices);
    m.indexCount = static_cast<int32_t>(m.indices.size());
    m.visible = 1;
    return m;
}

// A front-facing triangle with corners at pixels (300, 250), (300, 350), (500, 250).
Mesh& addTriangle(Renderer& r) {
    return addMesh(r, {{-200, -100, -1100}, {-200, 100, -1100}, {200, -100, -1100}}, {0, 1, 2});
}

TEST(FramePipeline, VertexStageGivesWholePixelsDepthAndLitColour) {
    auto r = scene(Gouraud);
    Mesh& m = addTriangle(*r);
    r->renderFrame();
    const Vertex& a = m.transformed[0];
    // z/w = 0.50075 rounds up to 1.
    EXPECT_EQ((std::array{a.x, a.y, a.z, a.w}), (std::array{300.0f, 250.0f, 1.0f, 1.0f}));
    EXPECT_EQ(a.depth, 600.0);
    EXPECT_EQ(m.transformed[2].x, 500.0f);
    EXPECT_EQ(m.transformed[1].y, 350.0f);
    EXPECT_GT(a.r, 0.5f);
    EXPECT_EQ(r->dirty, 0);
    EXPECT_EQ(r->transform.at(3, 2), 0.0f);  // back to the identity
    EXPECT_EQ(r->frameTransform.at(3, 2), 1700.0f);
    // Rows 250..349 are filled, the top row of the face is not.
    EXPECT_NE(pixel(*r, 301, 250), (Rgb8{0, 0, 0}));
    EXPECT_EQ(pixel(*r, 301, 350), (Rgb8{0, 0, 0}));
}

TEST(FramePipeline, ClipFlagsFollowTheSixComparisons) {
    // Near 1, far 2 and a 2 x 2 viewport make the projection exact:
    // (x, y, z) becomes (x, y, 2z - 2, z) with the identity transform.
    auto r = scene(Gouraud);
    r->lookAtMode = 0;
    r->cameraPosition.z = 0;
    r->nearPlane = 1, r->farPlane = 2, r->viewportWidth = 2, r->viewportHeight = 2;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Mesh& m = addMesh(*r,
                      {{0, 0, 1},        // on the near plane: z = 0, inside
                       {0, 0, 2},        // on the far plane: z = w
                       {1.5f, 0, 1.5f},  // x = w
                       {-1.5f, 0, 1.5f}, // x = -w
                       {0, 1.5f, 1.5f},  // y = w
                       {0, -1.5f, 1.5f}, // y = -w
                       {0.5f, -0.5f, 1.5f},
                       {0, 0, 0.9f},     // nearer than the near plane
                       {nan, 0, 1.5f}},  // NaN compares false everywhere
                      {});
    r->renderFrame();
    const std::vector<uint8_t> expected{0, 1, 1, 1, 1, 1, 0, 1, 0};
    EXPECT_EQ(m.clipFlags, expected);
}

TEST(FramePipeline, CollinearBackFacingAndHiddenFacesAreNotDrawnInAnyMode) {
    for (int32_t mode : {Wire, Mapping, Gouraud}) {
        auto r = scene(mode);
        addMesh(*r, {{-200, 0, -1100}, {0, 0, -1100}, {200, 0, -1100}}, {0, 1, 2});
        addMesh(*r, {{-200, -100, -1100}, {200, -100, -1100}, {-200, 100, -1100}}, {0, 1, 2});
        Mesh& hidden = addTriangle(*r);
        hidden.visible = 0;
        r->renderFrame();
        EXPECT_EQ(countColoured(*r), 0) << mode;
        // The hidden mesh is still transformed and lit on every re-transform.
        EXPECT_GT(hidden.transformed[0].r, 0.0f);
        EXPECT_EQ(hidden.transformed[0].x, 300.0f);
    }
}

TEST(FramePipeline, AllClippedFacesAreSkippedButPartlyClippedOnesDrawnWhole) {
    for (int32_t mode : {Wire, Gouraud}) {
        // Every corner lies outside the view, yet the face covers the centre.
        auto r = scene(mode);
        Mesh& m = addMesh(*r, {{-2000, -2000, -1100}, {0, 3000, -1100}, {2000, -2000, -1100}},
                          {0, 1, 2});
        r->renderFrame();
        EXPECT_EQ(m.clipFlags, (std::vector<uint8_t>{1, 1, 1}));
        EXPECT_EQ(countColoured(*r), 0) << mode;

        m.vertices[1].y = 0;  // one corner back inside
        r->dirty = 1;
        r->renderFrame();
        EXPECT_EQ(m.clipFlags, (std::vector<uint8_t>{1, 0, 1}));
        EXPECT_GT(countColoured(*r), 300) << mode;
    }
    auto g = scene(Gouraud);
    addMesh(*g, {{-2000, -2000, -1100}, {0, 0, -1100}, {2000, -2000, -1100}}, {0, 1, 2});
    g->renderFrame();
    // The fill is not clipped to the view volume: rows 1.. are covered.
    EXPECT_NE(pixel(*g, 400, 1), (Rgb8{0, 0, 0}));
}

TEST(FramePipeline, OnlyAHeldInputOrTheDirtyFlagRetransforms) {
    auto r = scene(Gouraud);
    Mesh& m = addTriangle(*r);
    r->renderFrame();
    std::vector<uint8_t> first(r->frameBits, r->frameBits + 2400 * 600);

    // A key pressed and released between two frames moves the model but does
    // not re-transform it.
    r->keyHeld = 1;
    r->meshes[0].position.x = 100;
    r->keyHeld = 0;
    r->renderFrame();
    EXPECT_EQ(m.transformed[0].x, 300.0f);
    EXPECT_EQ(std::memcmp(first.data(), r->frameBits, first.size()), 0);

    r->meshes[0].position.x = 0;
    for (uint8_t Renderer::*flag : {&Renderer::keyHeld, &Renderer::mouseDragging, &Renderer::dirty}) {
        r->meshes[0].position.x += 100;
        (*r).*flag = 1;
        const float before = m.transformed[0].x;
        r->renderFrame();
        EXPECT_EQ(m.transformed[0].x, before + 50.0f);
        (*r).*flag = 0;
    }
}

TEST(FramePipeline, FirstMeshMovesEveryMeshAndOthersOwnPlacementIsIgnored) {
    auto r = scene(Gouraud);
    addTriangle(*r);
    Mesh& second = addTriangle(*r);
    second.position = Vector3{500, 500, 500};
    r->meshes[0].position.y = 40;
    r->renderFrame();
    EXPECT_EQ(second.transformed[0].x, 300.0f);
    EXPECT_EQ(second.transformed[0].y, 270.0f);
}

TEST(FramePipeline, WireFacesAreRedAndLeaveTheirFirstCornerUnwritten) {
    auto r = scene(Wire);
    addTriangle(*r);
    r->drawColor[0] = 1, r->drawColor[1] = 2, r->drawColor[2] = 3;
    r->zBuffer[5] = 7.0f;
    r->renderFrame();
    EXPECT_EQ(pixel(*r, 300, 250), (Rgb8{0, 0, 0}));    // A starts two lines
    EXPECT_EQ(pixel(*r, 300, 350), (Rgb8{255, 0, 0}));  // B
    EXPECT_EQ(pixel(*r, 500, 250), (Rgb8{255, 0, 0}));  // C
    EXPECT_EQ(pixel(*r, 300, 300), (Rgb8{255, 0, 0}));
    EXPECT_EQ(pixel(*r, 301, 300), (Rgb8{0, 0, 0}));    // only the outline
    EXPECT_EQ(std::to_array(r->drawColor), (std::array<uint8_t, 3>{255, 0, 0}));
    EXPECT_EQ(r->zBuffer[5], 7.0f);  // the wire mode leaves the depth buffer alone

    r->renderMode = Gouraud;
    r->renderFrame();
    EXPECT_EQ(r->zBuffer[5], 0.0f);
}

// A 64 x 64 texture, texel (column, row) = blue 4 x column, green 4 x row, red 99.
void setTexture(Renderer& r) {
    r.textureFile.resize(64 * 192);
    for (int i = 0; i < 64 * 64; ++i) {
        uint8_t* t = r.textureFile.data() + 3 * i;
        t[0] = static_cast<uint8_t>(4 * (i % 64)), t[1] = static_cast<uint8_t>(4 * (i / 64)), t[2] = 99;
    }
    r.texturePixels = r.textureFile.data();
    r.textureWidth = 64, r.textureMaxY = 63, r.textureStride = 192;
    r.fixTextureSeam = 1;
}

// Two faces sharing the edge 1-2: a quad from pixel (300, 250) to (500, 350).
Mesh& addQuad(Renderer& r) {
    return addMesh(r, {{-200, -100, -1100}, {-200, 100, -1100}, {200, -100, -1100}, {200, 100, -1100}},
                   {0, 1, 2, 2, 1, 3});
}

// Texture vertex 4 is named by no face until a test names it.
void giveTextureCoordinates(Mesh& m) {
    m.texVertices = {{0.1f, 0.1f}, {0.1f, 0.8f}, {0.8f, 0.1f}, {0.8f, 0.8f}, {0.5f, 0.25f}};
    m.texVertexCount = 5;
    m.texFaces = {0, 1, 2, 2, 1, 3};
    m.texFaceIndexCount = 6;
}

// The quad drawn in `mode`; with texture coordinates, `slot` of texFaces (or,
// for slot 6, texFaceIndexCount) is then set to `value`.
std::unique_ptr<Renderer> quadFrame(int32_t mode, bool textured, int slot = -1, int32_t value = 0) {
    auto r = scene(mode);
    setTexture(*r);
    Mesh& m = addQuad(*r);
    if (textured) giveTextureCoordinates(m);
    if (slot >= 0) (slot < 6 ? m.texFaces[slot] : m.texFaceIndexCount) = value;
    r->renderFrame();
    return r;
}

TEST(FramePipeline, MappingFallsBackToGouraudFaceByFace) {
    const auto gouraud = quadFrame(Gouraud, false);
    // No texture vertices at all.
    EXPECT_EQ(std::memcmp(quadFrame(Mapping, false)->frameBits, gouraud->frameBits, 2400 * 600), 0);

    // Pixel (450, 340) lies in the second face only, (320, 260) in the first only.
    const auto textured = quadFrame(Mapping, true);
    EXPECT_NE(pixel(*textured, 320, 260), pixel(*gouraud, 320, 260));
    EXPECT_NE(pixel(*textured, 450, 340), pixel(*gouraud, 450, 340));

    // The second face without entries, naming a texture vertex that is not
    // there, and naming a negative one.
    for (auto [slot, value] : {std::pair{6, 3}, std::pair{5, 5}, std::pair{4, -1}}) {
        const auto mixed = quadFrame(Mapping, true, slot, value);
        EXPECT_EQ(pixel(*mixed, 320, 260), pixel(*textured, 320, 260)) << slot;
        EXPECT_EQ(pixel(*mixed, 450, 340), pixel(*gouraud, 450, 340)) << slot;
    }
}

TEST(FramePipeline, TextureCoordinatesAreCopiedIntoTheVerticesPerFace) {
    // Vertex 1 takes another coordinate in the second face.
    const auto r = quadFrame(Mapping, true, 4, 4);
    const Mesh& m = r->meshes[0];
    EXPECT_EQ(m.transformed[1].u, 0.5f);
    EXPECT_EQ(m.transformed[1].v, 0.25f);
    EXPECT_EQ(m.transformed[0].u, 0.1f);
}

TEST(FramePipeline, FacesNamingMissingVerticesAreSkipped) {
    for (int32_t mode : {Wire, Mapping, Gouraud}) {
        auto r = scene(mode);
        Mesh& m = addQuad(*r);
        m.indices = {0, 1, 7, 2, 1, 3, -4, 1, 2, 0, 1};  // partial last face too
        m.indexCount = 11;
        r->renderFrame();
        const int drawn = countColoured(*r);
        auto only = scene(mode);
        Mesh& q = addQuad(*only);
        q.indices = {2, 1, 3};
        q.indexCount = 3;
        only->renderFrame();
        EXPECT_EQ(drawn, countColoured(*only)) << mode;
        EXPECT_GT(drawn, 0) << mode;
    }
}

TEST(FramePipeline, OtherRenderModesDrawNothingAndNoFrameDrawsNothing) {
    for (int32_t mode : {0, 4, -1}) {
        auto r = scene(mode);
        addTriangle(*r);
        r->renderFrame();
        EXPECT_EQ(countColoured(*r), 0) << mode;
    }
    auto r = scene(Gouraud);
    Mesh& m = addTriangle(*r);
    r->frameBits = nullptr;
    r->zBuffer[9] = 3.0f;
    r->counter.read = [] { return int64_t{500000000}; };
    r->renderFrame();
    EXPECT_EQ(m.transformed[0].x, 300.0f);  // the vertex stage still runs
    EXPECT_EQ(r->zBuffer[9], 3.0f);
    EXPECT_EQ(r->fps, 2.0f);  // and so does the end of the frame
}

TEST(FramePipeline, VerticesBehindTheCameraStayBoundedAndDefined) {
    for (int32_t mode : {Wire, Mapping, Gouraud}) {
        auto r = scene(mode);
        setTexture(*r);
        // Corners at and behind the eye: w is 0 or negative after projection.
        Mesh& m = addMesh(*r, {{-200, -100, -1100}, {0, 300, -1700}, {200, -100, -1700.001f},
                               {300, 50, -2500}, {1e-30f, 0, -1700}},
                          {0, 1, 2, 0, 2, 3, 0, 3, 4, 4, 1, 0});
        giveTextureCoordinates(m);
        m.texFaces = {0, 1, 2, 0, 2, 3, 0, 3, 4, 4, 1, 0};
        m.texFaceIndexCount = 12;
        r->renderFrame();
        for (int i = 0; i < 5; ++i) {
            EXPECT_FALSE(std::isnan(m.transformed[i].x)) << i;
            EXPECT_LE(std::fabs(m.transformed[i].x), 2147483648.0f) << i;
        }
        for (int i = 0; i < 480000; ++i) ASSERT_FALSE(std::isnan(r->zBuffer[i]));
    }
}

}  // namespace
}  // namespace trivane
