#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::xyzw;

TEST(Normals, SharedVertexSumsAreaWeightedFaceNormalsAndRecomputingChangesNothing) {
    auto r = test::makeRenderer();
    // A small triangle in z = 0 and a large one in x = 0 share vertex 0.
    test::addMesh(*r, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 3, 0}, {0, 0, 3}, {7, 7, 7}}, {0, 1, 2, 0, 3, 4});
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
    r->meshCount = 1;
    test::addMesh(*r, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {0, 0, 0}}, {0, 1, 2, 0, 1, 9, -1, 0, 1, 3, 0});
    r->meshes[1].normals[0].x = 5.0f;
    r->computeVertexNormals(2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(xyzw(r->meshes[1].normals[i]), (test::Xyzw{0, 0, 0, 0})) << i;
    r->meshes[1].normals[2].x = 4.0f;
    for (int32_t count : {0, -3, 1001}) r->computeVertexNormals(count);
    EXPECT_EQ(r->meshes[1].normals[2].x, 4.0f);
}

}  // namespace
}  // namespace trivane
