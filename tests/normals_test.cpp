#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::xyzw;

void setMesh(Mesh& mesh, const std::vector<std::array<float, 3>>& points, std::vector<int32_t> indices) {
    mesh.vertexCount = static_cast<int32_t>(points.size());
    mesh.vertices.assign(points.size(), Vertex{});
    for (size_t i = 0; i < points.size(); ++i) {
        mesh.vertices[i].x = points[i][0];
        mesh.vertices[i].y = points[i][1];
        mesh.vertices[i].z = points[i][2];
    }
    mesh.normals.assign(points.size(), Vertex{});
    mesh.indexCount = static_cast<int32_t>(indices.size());
    mesh.indices = std::move(indices);
}

TEST(Normals, SharedVertexSumsAreaWeightedFaceNormalsAndRecomputingChangesNothing) {
    auto r = test::makeRenderer();
    // A small triangle in z = 0 and a large one in x = 0 share vertex 0.
    setMesh(r->meshes[0], {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 3, 0}, {0, 0, 3}, {7, 7, 7}},
            {0, 1, 2, 0, 3, 4});
    const Mesh& m = r->meshes[0];
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        r->computeVertexNormals(1);
        // A vertex in no triangle (5) keeps (0, 0, 0, 0).
        EXPECT_EQ((std::array{xyzw(m.normals[0]), xyzw(m.normals[1]), xyzw(m.normals[3]), xyzw(m.normals[5])}),
                  (std::array<test::Xyzw, 4>{{{9, 0, 1, 0}, {0, 0, 1, 0}, {9, 0, 0, 0}, {0, 0, 0, 0}}}));
    }
}

TEST(Normals, DegenerateOutOfRangeAndUnnamedMeshesAddNothing) {
    auto r = test::makeRenderer();
    // Zero area, index 9, index -1, a dangling pair.
    setMesh(r->meshes[1], {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {0, 0, 0}}, {0, 1, 2, 0, 1, 9, -1, 0, 1, 3, 0});
    r->meshes[1].normals[0].x = 5.0f;
    r->computeVertexNormals(2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(xyzw(r->meshes[1].normals[i]), (test::Xyzw{0, 0, 0, 0})) << i;
    r->meshes[1].normals[2].x = 4.0f;
    for (int32_t count : {0, -3, 1001}) r->computeVertexNormals(count);
    EXPECT_EQ(r->meshes[1].normals[2].x, 4.0f);
}

}  // namespace
}  // namespace trivane
