// The frame: vertex stage, clip flags, culling, the three modes, re-transform rules.
#include <gtest/gtest.h>

#include "core/workers.h"
#include "test_support.h"

namespace trivane {
namespace {

using test::countColoured;
using test::pixel;
using test::Rgb8;
const auto scene = test::startView;

// A front-facing triangle with corners at pixels (300, 250), (300, 350), (500, 250).
Mesh& addTriangle(Renderer& r) {
    return test::addMesh(r.scene, {{-200, -100, -1100}, {-200, 100, -1100}, {200, -100, -1100}}, {0, 1, 2});
}

TEST(FramePipeline, VertexStageGivesWholePixelsDepthAndLitColour) {
    auto r = scene(Gouraud);
    Mesh& m = addTriangle(*r);
    r->renderFrame();
    const Vertex& a = m.transformed[0];
    // z/w = 0.50075 rounds up to 1.
    EXPECT_EQ((std::array{a.x, a.y, a.z, a.w, m.transformed[2].x, m.transformed[1].y}),
              (std::array{300.0f, 250.0f, 1.0f, 1.0f, 500.0f, 350.0f}));
    EXPECT_EQ(a.depth, 600.0);
    EXPECT_GT(a.r, 0.5f);
    EXPECT_EQ(r->input.dirty, 0);
    // Rows 250..349 are filled, the top row of the face is not.
    EXPECT_NE(pixel(*r, 301, 250), (Rgb8{0, 0, 0}));
    EXPECT_EQ(pixel(*r, 301, 350), (Rgb8{0, 0, 0}));
}

TEST(FramePipeline, ClipFlagsFollowTheSixComparisons) {
    // Near 1, far 2 and a 2 x 2 viewport make the projection exact:
    // (x, y, z) becomes (x, y, 2z - 2, z) with the identity transform.
    auto r = scene(Gouraud);
    r->camera.lookAtMode = 0;
    r->camera.cameraPosition.z = 0;
    r->camera.nearPlane = 1, r->camera.farPlane = 2, r->camera.viewportWidth = 2, r->camera.viewportHeight = 2;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Mesh& m = test::addMesh(r->scene,
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

TEST(FramePipeline, WireFacesAreRedAndLeaveTheirFirstCornerUnwritten) {
    auto r = scene(Wire);
    addTriangle(*r);
    r->renderFrame();
    // A starts two lines, B and C end them; only the outline is drawn.
    EXPECT_EQ((std::vector<Rgb8>{pixel(*r, 300, 250), pixel(*r, 300, 350), pixel(*r, 500, 250), pixel(*r, 300, 300),
                                 pixel(*r, 301, 300)}),
              (std::vector<Rgb8>{{0, 0, 0}, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 0, 0}}));
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
    r->target.frameBits = nullptr;
    r->target.zBuffer[9] = 3.0f;
    r->clock.perfFrequency = 1000000000;
    r->clock.counter.read = [] { return int64_t{500000000}; };
    r->renderFrame();
    EXPECT_EQ(m.transformed[0].x, 300.0f);  // the vertex stage still runs
    EXPECT_EQ(r->target.zBuffer[9], 3.0f);
    EXPECT_EQ(r->clock.fps, 2.0f);  // and so does the end of the frame
}

// Overlapping triangles small and large, one flat, with one colour each.
Mesh& addOverlappingTriangles(Renderer& r) {
    Mesh& m = test::addMesh(r.scene,
                            {{-200, -100, -1100}, {-200, 100, -1100}, {200, -100, -1000}, {-150, -50, -1050},
                             {-148, -46, -1050}, {-145, -50, -1200}, {0, 0, -1100}, {300, 0, -1100}, {0, 200, -900}},
                            {0, 1, 2, 3, 4, 5, 6, 8, 7, 2, 4, 3});
    for (int i = 0; i < m.vertexCount; ++i) m.normals[i].x = 0.3f * static_cast<float>(i % 3) - 0.3f;
    return m;
}

std::pair<std::vector<uint8_t>, std::vector<float>> drawn(const Renderer& r) {
    return {r.target.frameStorage, r.target.zBuffer};
}

TEST(FramePipeline, SteadyFramesDrawWhatTheFirstDrewAndFollowEveryChange) {
    const int32_t workersBefore = workerCount();
    setWorkerCount(3);
    auto r = scene(Gouraud);
    addOverlappingTriangles(*r);
    r->renderFrame();
    const auto first = drawn(*r);
    ASSERT_GT(countColoured(*r), 1000);
    // Steady frames, then the same in other bands.
    for (int32_t workers : {3, 3, 3, 1, 1, 1, 2, 2, 2, 1}) {
        setWorkerCount(workers);
        r->renderFrame();
        EXPECT_TRUE(drawn(*r) == first) << workers;
    }
    // Another mode without a re-transform draws that mode (wire frames
    // leave the depth as it was), and back.
    auto wire = scene(Wire);
    addOverlappingTriangles(*wire);
    wire->renderFrame();
    r->settings.renderMode = Wire;
    r->renderFrame();
    EXPECT_TRUE(drawn(*r).first == drawn(*wire).first);
    r->settings.renderMode = Gouraud;
    for (int i = 0; i < 3; ++i) {
        r->renderFrame();
        EXPECT_TRUE(drawn(*r) == first) << i;
    }
    // A turned model draws anew, steady or not.
    r->scene.meshes[0].rotation.z = 20;
    r->input.dirty = 1;
    r->renderFrame();
    const auto turned = drawn(*r);
    EXPECT_FALSE(turned == first);
    r->renderFrame();
    r->renderFrame();
    EXPECT_TRUE(drawn(*r) == turned);
    setWorkerCount(workersBefore);
}

}  // namespace
}  // namespace trivane
