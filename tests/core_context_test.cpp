// The end of a frame (frame rate, automatic rotation) and releasing a model.
#include <gtest/gtest.h>

#include "test_support.h"

namespace trivane {
namespace {

int64_t fakeNow = 0;
int64_t fakeFrequency() { return 1000; }
int64_t fakeRead() { return fakeNow; }

TEST(RendererTest, FrameRateAndAutomaticRotation) {
    // No picture and no mesh: a frame is only its end.
    auto r = test::makeRenderer();
    r->clock.counter = CounterSource{&fakeFrequency, &fakeRead};
    r->clock.perfFrequency = fakeFrequency();
    // The first frame measures against a counter of 0.
    fakeNow = 250000;
    r->renderFrame();
    EXPECT_EQ(std::pair(r->clock.fps, r->clock.lastCounter), std::pair(0.004f, int64_t{250000}));  // 1 / 250 s
    fakeNow += 20;  // 20 ms
    r->input.dirty = 1;
    r->renderFrame();
    EXPECT_EQ(std::pair(r->clock.fps, int(r->input.dirty)), std::pair(50.0f, 0));  // not animating: cleared

    r->clock.animating = 1;
    r->scene.meshes[0].rotation.y = 355.0f;
    for (int i = 0; i < 5; ++i) {
        fakeNow += 10;
        r->renderFrame();
        EXPECT_EQ(r->input.dirty, 1);
    }
    EXPECT_EQ(std::pair(r->scene.meshes[0].rotation.y, r->clock.fps), std::pair(365.0f, 100.0f));  // exactly 2.0 a frame, no wrap
}

TEST(RendererTest, ReleaseModelEmptiesMeshesInUseAndTheMaterials) {
    auto r = test::makeRenderer();
    r->scene.meshCount = 2;
    for (int i = 0; i < 3; ++i) {
        Mesh& m = r->scene.meshes[i];
        m.vertexCount = m.indexCount = m.texFaceIndexCount = 3, m.texVertexCount = 1, m.materialIndex = 4, m.visible = 1;
        for (auto* v : {&m.vertices, &m.transformed, &m.normals}) v->resize(3);
        m.clipFlags.resize(3), m.faceMaterialIds.resize(3), m.indices.resize(3), m.texFaces.resize(3), m.texVertices.resize(1);
        m.position = Vector3{1, 2, 3};
    }
    r->scene.materials.resize(2);
    r->scene.materialShine.resize(2);
    r->scene.materialCount = 2, r->scene.materialSource = 1;
    releaseModel(r->scene);
    for (int i = 0; i < 2; ++i) {
        const Mesh& m = r->scene.meshes[i];
        // The visibility is kept, like the transform.
        EXPECT_EQ((std::array{m.vertexCount, m.indexCount, m.texVertexCount, m.texFaceIndexCount, m.materialIndex, int(m.visible)}),
                  (std::array{0, 0, 0, 0, 0, 1}));
        EXPECT_EQ((std::array{m.vertices.size(), m.transformed.size(), m.normals.size(), m.clipFlags.size(),
                              m.faceMaterialIds.size(), m.indices.size(), m.texFaces.size(), m.texVertices.size()}),
                  (std::array<size_t, 8>{}));
        EXPECT_EQ(m.position.y, 2.0f);
    }
    EXPECT_EQ(r->scene.meshes[2].vertexCount, 3);  // not in use, not touched
    EXPECT_EQ((std::array{r->scene.meshCount, r->scene.materialCount, r->scene.materialSource}), (std::array{2, 0, -1}));
    EXPECT_TRUE(r->scene.materials.empty());
}

}  // namespace
}  // namespace trivane
