#include <gtest/gtest.h>

#include "test_support.h"

namespace trivane {
namespace {

void setMesh(Mesh& mesh, std::vector<Vertex> vertices, std::vector<int32_t> indices) {
    mesh.vertexCount = static_cast<int32_t>(vertices.size());
    mesh.normals.assign(vertices.size(), Vertex{});
    mesh.vertices = std::move(vertices);
    mesh.indexCount = static_cast<int32_t>(indices.size());
    mesh.indices = std::move(indices);
}

Vertex at(float x, float y, float z) {
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

TEST(Normals, CubeCornersArePerpendicularToTheirOneFace) {
    auto r = test::makeRenderer();
    r->createCube();
    const Mesh& m = r->meshes[0];
    // Vertex 9 belongs to the bottom triangle (0, 9, 6) alone.
    EXPECT_EQ(m.normals[9].x, 0.0f);
    EXPECT_EQ(m.normals[9].y, -160000.0f);
    EXPECT_EQ(m.normals[9].z, 0.0f);
    EXPECT_EQ(m.normals[9].w, 0.0f);
    // Vertex 0 belongs to both bottom triangles.
    EXPECT_EQ(m.normals[0].y, -320000.0f);
    // Top face points up, front (z = 200) points to +z.
    EXPECT_GT(m.normals[23].y, 0.0f);
    EXPECT_EQ(m.normals[23].x, 0.0f);
    EXPECT_GT(m.normals[16].z, 0.0f);
    EXPECT_EQ(m.normals[16].y, 0.0f);
}

TEST(Normals, SharedVertexSumsAreaWeightedFaceNormalsAndRecomputingChangesNothing) {
    auto r = test::makeRenderer();
    // A small triangle in z = 0 and a large one in x = 0 share vertex 0.
    setMesh(r->meshes[0],
            {at(0, 0, 0), at(1, 0, 0), at(0, 1, 0), at(0, 3, 0), at(0, 0, 3), at(7, 7, 7)},
            {0, 1, 2, 0, 3, 4});
    r->computeVertexNormals(1);
    const Mesh& m = r->meshes[0];
    EXPECT_EQ(m.normals[0].x, 9.0f);
    EXPECT_EQ(m.normals[0].y, 0.0f);
    EXPECT_EQ(m.normals[0].z, 1.0f);
    EXPECT_EQ(m.normals[1].z, 1.0f);
    EXPECT_EQ(m.normals[3].x, 9.0f);
    // A vertex in no triangle keeps (0, 0, 0, 0).
    EXPECT_EQ(m.normals[5].x, 0.0f);
    EXPECT_EQ(m.normals[5].w, 0.0f);
    const std::vector<Vertex> first = m.normals;
    r->computeVertexNormals(1);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(m.normals[i].x, first[i].x);
        EXPECT_EQ(m.normals[i].y, first[i].y);
        EXPECT_EQ(m.normals[i].z, first[i].z);
    }
}

TEST(Normals, DegenerateOutOfRangeAndUnnamedMeshesAddNothing) {
    auto r = test::makeRenderer();
    setMesh(r->meshes[1], {at(1, 1, 1), at(2, 2, 2), at(3, 3, 3), at(0, 0, 0)},
            {0, 1, 2, 0, 1, 9, -1, 0, 1, 3, 0});  // zero area, index 9, index -1, a dangling pair
    r->meshes[1].normals[0].x = 5.0f;
    r->computeVertexNormals(2);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r->meshes[1].normals[i].x, 0.0f);
        EXPECT_EQ(r->meshes[1].normals[i].y, 0.0f);
        EXPECT_EQ(r->meshes[1].normals[i].z, 0.0f);
    }
    r->meshes[1].normals[2].x = 4.0f;
    r->computeVertexNormals(0);
    r->computeVertexNormals(-3);
    r->computeVertexNormals(1001);
    EXPECT_EQ(r->meshes[1].normals[2].x, 4.0f);
}

}  // namespace
}  // namespace trivane
