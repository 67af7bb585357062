
#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::Xyzw;
using test::xyz;
using test::xyzw;

TEST(Procedural, CountsExactAllocationsAndOutwardFaces) {
    struct Expected {
        void (*command)(SceneState&);
        const char* name;
        int32_t vertices, indices;
    } const models[] = {{&createGlobeSphere, "globe", 961, 5400},
                        {&createGeoSphere, "geo sphere", 4 + 4 * 1023, 3 * 4 * 1024},
                        {&createIcoSphere, "icosahedron sphere", 12 + 20 * 255, 3 * 20 * 256},
                        {&createCube, "cube", 24, 36}};
    for (const Expected& e : models) {
        SCOPED_TRACE(e.name);
        auto r = test::makeRenderer();
        createCube(r->scene);  // a model built before changes nothing of the next
        e.command(r->scene);
        const Mesh& m = r->scene.meshes[0];
        ASSERT_EQ(std::tuple(r->scene.meshCount, r->scene.materialCount, m.vertexCount, m.indexCount),
                  std::tuple(1, 0, e.vertices, e.indices));
        // Exactly the room that is used, not a fixed million entries.
        for (size_t size : {m.vertices.size(), m.transformed.size(), m.normals.size(), m.clipFlags.size()})
            EXPECT_EQ(size, static_cast<size_t>(e.vertices));
        EXPECT_EQ(m.indices.size(), static_cast<size_t>(e.indices));
        EXPECT_EQ(std::tuple(m.texVertexCount, m.texVertices.size()), std::tuple(0, 0u));
        // The faces' facing and the shapes show in the pinned pictures of tests/cli.
        for (int32_t k = 0; k < m.indexCount; ++k) ASSERT_TRUE(m.indices[k] >= 0 && m.indices[k] < m.vertexCount);
        for (int32_t i = 0; i < m.vertexCount; ++i) {
            const Vertex& v = m.vertices[i];
            ASSERT_TRUE(v.u >= 0.0f && v.u <= 1.0f && v.v >= 0.0f && v.v <= 1.0f && v.w == 1.0f) << i;
        }
    }
}

TEST(Procedural, AzimuthExamples) {
    const float cases[][3] = {{0, -1, 0},   {-1, 0, 90},  {1, 0, 270},       {0, 1, 179},
                              {-1, 1, 134}, {1, 1, 226},  {0.001f, -1, 360}, {0, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(azimuthDegrees(c[0], c[1], 0.0f, -50.0f), c[2]) << c[0] << ", " << c[1];
    }
}

TEST(Procedural, ReplacesEveryMeshOfALoadedModelAndKeepsVisibility) {
    test::TempDir dir;
    auto r = test::makeRenderer();
    std::string text = "*MATERIAL_COUNT 1\n";
    for (int i = 0; i < 3; ++i) text += "*NODE_NAME \"Box\"\n*MESH_NUMVERTEX 1\n*MESH_NUMTVERTEX 1\n*PROP_MOTIONBLUR\n";
    ASSERT_EQ(loadModelFile(r->scene, dir.write("three.ase", text).c_str()).meshCount, 3);
    createCube(r->scene);
    EXPECT_EQ(std::tuple(r->scene.meshCount, r->scene.materialCount, r->scene.meshes[0].texVertexCount, r->scene.meshes[0].visible),
              std::tuple(1, 0, 0, 1));
    EXPECT_TRUE(r->scene.materials.empty());
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(r->scene.meshes[i].vertexCount, 0);
        EXPECT_TRUE(r->scene.meshes[i].vertices.empty() && r->scene.meshes[i].texVertices.empty());
    }
    // Before any model was loaded mesh 0 is not visible, and stays so.
    auto fresh = test::makeRenderer();
    createGlobeSphere(fresh->scene);
    EXPECT_EQ(std::tuple(fresh->scene.meshCount, fresh->scene.meshes[0].visible, fresh->scene.meshes[0].vertexCount),
              std::tuple(1, 0, 961));
}

}  // namespace
}  // namespace trivane
