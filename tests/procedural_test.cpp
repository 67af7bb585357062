
#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::Xyzw;
using test::xyz;
using test::xyzw;

TEST(Procedural, CountsExactAllocationsAndOutwardFaces) {
    // The globe and the cube clear the seam correction; the other spheres leave it.
    struct Expected {
        void (Renderer::*command)();
        const char* name;
        int32_t vertices, indices;
        uint8_t seam;
    } const models[] = {{&Renderer::createGlobeSphere, "globe", 961, 5400, 0},
                        {&Renderer::createGeoSphere, "geo sphere", 4 + 4 * 1023, 3 * 4 * 1024, 1},
                        {&Renderer::createIcoSphere, "icosahedron sphere", 12 + 20 * 255, 3 * 20 * 256, 1},
                        {&Renderer::createCube, "cube", 24, 36, 0}};
    for (const Expected& e : models) {
        SCOPED_TRACE(e.name);
        auto r = test::makeRenderer();
        r->createCube();  // a model built before leaves its cursors behind
        r->fixTextureSeam = 1;
        (r.get()->*e.command)();
        EXPECT_EQ(r->fixTextureSeam, e.seam);
        const Mesh& m = r->meshes[0];
        ASSERT_EQ(std::tuple(r->meshCount, r->materialCount, m.vertexCount, m.indexCount, r->buildVertexCursor, r->buildIndexCursor),
                  std::tuple(1, 0, e.vertices, e.indices, e.vertices, e.indices));
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
    auto r = test::makeRenderer();
    const float cases[][3] = {{0, -1, 0},   {-1, 0, 90},  {1, 0, 270},       {0, 1, 179},
                              {-1, 1, 134}, {1, 1, 226},  {0.001f, -1, 360}, {0, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(r->azimuthDegrees(c[0], c[1], 0.0f, -50.0f), c[2]) << c[0] << ", " << c[1];
    }
}

TEST(Procedural, SubdivisionEmitsMidpointsAndTrianglesInOrder) {
    auto r = test::makeRenderer();
    Mesh& m = r->meshes[0];
    m.vertices.resize(3);
    m.vertices[0].x = m.vertices[1].y = m.vertices[2].z = 1.0f;
    r->buildVertexCursor = 3;
    r->buildIndexCursor = 0;
    r->subdivideTriangle(0, 1, 2, 0);
    r->subdivideTriangle(0, 1, 2, 1);
    ASSERT_EQ(std::tuple(r->buildVertexCursor, r->buildIndexCursor, m.indices.size() >= 15), std::tuple(6, 15, true));
    EXPECT_EQ(std::vector<int32_t>(m.indices.begin(), m.indices.begin() + 15),
              (std::vector<int32_t>{0, 2, 1, 0, 3, 4, 4, 5, 2, 3, 1, 5, 3, 5, 4}));
    const float half = static_cast<float>(0.5 * (1.0 / std::sqrt(0.5)));
    EXPECT_EQ(xyzw(m.vertices[3]), (Xyzw{half, half, 0.0f, 1.0f}));
    EXPECT_EQ(xyzw(m.vertices[5]), (Xyzw{0.0f, half, half, 1.0f}));
    // Calls that would read missing vertices or need absurd room add nothing.
    r->subdivideTriangle(0, 1, 99, 1);
    r->subdivideTriangle(-1, 1, 2, 0);
    r->subdivideTriangle(0, 1, 2, 20);
    r->buildGlobe(360, 0, 30);
    r->buildGlobe(360, 30, -2);
    EXPECT_EQ(std::tuple(r->buildVertexCursor, r->buildIndexCursor), std::tuple(6, 15));
}

TEST(Procedural, ReplacesEveryMeshOfALoadedModelAndKeepsVisibility) {
    test::TempDir dir;
    auto r = test::makeRenderer();
    std::string text = "*MATERIAL_COUNT 1\n";
    for (int i = 0; i < 3; ++i) text += "*NODE_NAME \"Box\"\n*MESH_NUMVERTEX 1\n*MESH_NUMTVERTEX 1\n*PROP_MOTIONBLUR\n";
    ASSERT_EQ(r->loadModel(dir.write("three.ase", text).c_str()).meshCount, 3);
    r->createCube();
    EXPECT_EQ(std::tuple(r->meshCount, r->materialCount, r->meshes[0].texVertexCount, r->meshes[0].visible),
              std::tuple(1, 0, 0, 1));
    EXPECT_TRUE(r->materials.empty());
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(r->meshes[i].vertexCount, 0);
        EXPECT_TRUE(r->meshes[i].vertices.empty() && r->meshes[i].texVertices.empty());
    }
    // Before any model was loaded mesh 0 is not visible, and stays so.
    auto fresh = test::makeRenderer();
    fresh->createGlobeSphere();
    EXPECT_EQ(std::tuple(fresh->meshCount, fresh->meshes[0].visible, fresh->meshes[0].vertexCount),
              std::tuple(1, 0, 961));
}

}  // namespace
}  // namespace trivane
