#include <gtest/gtest.h>

#include "scene_files.h"

namespace trivane {
namespace {

using test::xyzw;

TEST(Normals, SharedVertexSumsAreaWeightedFaceNormalsAndRecomputingChangesNothing) {
    auto r = test::makeRenderer();
    // A small triangle in z = 0 and a large one in x = 0 share vertex 0.
    test::addMesh(r->scene, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 3, 0}, {0, 0, 3}, {7, 7, 7}}, {0, 1, 2, 0, 3, 4});
    const Mesh& m = r->scene.meshes[0];
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        computeVertexNormals(r->scene.meshes[0]);
        // A vertex in no triangle (5) keeps (0, 0, 0, 0).
        EXPECT_EQ((std::array{xyzw(m.normals[0]), xyzw(m.normals[1]), xyzw(m.normals[3]), xyzw(m.normals[5])}),
                  (std::array<test::Xyzw, 4>{{{9, 0, 1, 0}, {0, 0, 1, 0}, {9, 0, 0, 0}, {0, 0, 0, 0}}}));
    }
}

TEST(Normals, DegenerateAndOutOfRangeFacesAddNothing) {
    auto r = test::makeRenderer();
    // Zero area, index 9, index -1, a dangling pair.
    r->scene.meshCount = 1;
    test::addMesh(r->scene, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {0, 0, 0}}, {0, 1, 2, 0, 1, 9, -1, 0, 1, 3, 0});
    r->scene.meshes[1].normals[0].x = 5.0f;
    computeVertexNormals(r->scene.meshes[1]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(xyzw(r->scene.meshes[1].normals[i]), (test::Xyzw{0, 0, 0, 0})) << i;
}

}  // namespace
}  // namespace trivane
