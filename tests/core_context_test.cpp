// The Renderer record: the end-of-frame step, releasing a model.
#include <gtest/gtest.h>

#include "test_support.h"

namespace trivane {
namespace {

int64_t fakeNow = 0;
int64_t fakeFrequency() { return 1000; }
int64_t fakeRead() { return fakeNow; }

TEST(RendererTest, FrameRateAndAutomaticRotation) {
    auto r = test::makeRenderer();
    r->counter = CounterSource{&fakeFrequency, &fakeRead};
    r->perfFrequency = fakeFrequency();
    // The first frame measures against a counter of 0.
    fakeNow = 250000;
    r->endOfFrame();
    EXPECT_EQ(std::pair(r->fps, r->lastCounter), std::pair(0.004f, int64_t{250000}));  // 1 / 250 s
    fakeNow += 20;  // 20 ms
    r->dirty = 1;
    r->endOfFrame();
    EXPECT_EQ(std::pair(r->fps, int(r->dirty)), std::pair(50.0f, 0));  // not animating: cleared

    r->animating = 1;
    r->meshes[0].rotation.y = 355.0f;
    for (int i = 0; i < 5; ++i) {
        fakeNow += 10;
        r->endOfFrame();
        EXPECT_EQ(r->dirty, 1);
    }
    EXPECT_EQ(std::pair(r->meshes[0].rotation.y, r->fps), std::pair(365.0f, 100.0f));  // exactly 2.0 a frame, no wrap
}

TEST(RendererTest, ReleaseModelEmptiesMeshesInUseAndTheMaterials) {
    auto r = test::makeRenderer();
    r->meshCount = 2;
    for (int i = 0; i < 3; ++i) {
        Mesh& m = r->meshes[i];
        m.vertexCount = m.indexCount = m.texFaceIndexCount = 3, m.texVertexCount = 1, m.materialIndex = 4, m.visible = 1;
        for (auto* v : {&m.vertices, &m.transformed, &m.normals}) v->resize(3);
        m.clipFlags.resize(3), m.faceMaterialIds.resize(3), m.indices.resize(3), m.texFaces.resize(3), m.texVertices.resize(1);
        m.position = Vector3{1, 2, 3};
    }
    r->materials.resize(2);
    r->materialShine.resize(2);
    r->materialCount = 2, r->materialSource = 1;
    r->releaseModel();
    for (int i = 0; i < 2; ++i) {
        const Mesh& m = r->meshes[i];
        // The visibility is kept, like the transform.
        EXPECT_EQ((std::array{m.vertexCount, m.indexCount, m.texVertexCount, m.texFaceIndexCount, m.materialIndex, int(m.visible)}),
                  (std::array{0, 0, 0, 0, 0, 1}));
        EXPECT_EQ((std::array{m.vertices.size(), m.transformed.size(), m.normals.size(), m.clipFlags.size(),
                              m.faceMaterialIds.size(), m.indices.size(), m.texFaces.size(), m.texVertices.size()}),
                  (std::array<size_t, 8>{}));
        EXPECT_EQ(m.position.y, 2.0f);
    }
    EXPECT_EQ(r->meshes[2].vertexCount, 3);  // not in use, not touched
    EXPECT_EQ((std::array{r->meshCount, r->materialCount, r->materialSource}), (std::array{2, 0, -1}));
    EXPECT_TRUE(r->materials.empty());
}

}  // namespace
}  // namespace trivane
