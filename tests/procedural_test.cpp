#include <algorithm>
#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "scene_files.h"
#include "test_support.h"

namespace trivane {
namespace {

using test::Xyzw;
using test::xyz;
using test::xyzw;

// Twice the signed volume the triangle spans with the origin: positive when
// the triangle faces away from the centre.
double outwardness(const Mesh& m, int32_t k) {
    const Vertex& a = m.vertices[m.indices[k]];
    const Vertex& b = m.vertices[m.indices[k + 1]];
    const Vertex& c = m.vertices[m.indices[k + 2]];
    const double p[3][3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, l = (i + 2) % 3;
        const double normal = (p[1][j] - p[0][j]) * (p[2][l] - p[0][l]) - (p[1][l] - p[0][l]) * (p[2][j] - p[0][j]);
        sum += normal * (p[0][i] + p[1][i] + p[2][i]);
    }
    return sum;
}

TEST(Procedural, CountsExactAllocationsAndOutwardFaces) {
    struct Expected {
        void (Renderer::*command)();
        const char* name;
        int32_t vertices, indices, zeroArea;
        bool onSphere;  // every vertex at the radius, 360
    } const models[] = {{&Renderer::createGlobeSphere, "globe", 961, 5400, 30, false},
                        {&Renderer::createGeoSphere, "geo sphere", 4 + 4 * 1023, 3 * 4 * 1024, 0, true},
                        {&Renderer::createIcoSphere, "icosahedron sphere", 12 + 20 * 255, 3 * 20 * 256, 0, true},
                        {&Renderer::createCube, "cube", 24, 36, 0, false}};
    for (const Expected& e : models) {
        SCOPED_TRACE(e.name);
        auto r = test::makeRenderer();
        r->meshCount = 1;
        (r.get()->*e.command)();
        const Mesh& m = r->meshes[0];
        EXPECT_EQ(r->meshCount, 1);
        EXPECT_EQ(r->materialCount, 0);
        ASSERT_EQ(m.vertexCount, e.vertices);
        ASSERT_EQ(m.indexCount, e.indices);
        EXPECT_EQ(r->buildVertexCursor, e.vertices);
        EXPECT_EQ(r->buildIndexCursor, e.indices);
        // Exactly the room that is used, not a fixed million entries.
        for (size_t size : {m.vertices.size(), m.transformed.size(), m.normals.size(), m.clipFlags.size()})
            EXPECT_EQ(size, static_cast<size_t>(e.vertices));
        EXPECT_EQ(m.indices.size(), static_cast<size_t>(e.indices));
        EXPECT_EQ(m.texVertexCount, 0);
        EXPECT_TRUE(m.texVertices.empty());
        int zeroArea = 0;
        for (int32_t k = 0; k < m.indexCount; k += 3) {
            for (int c = 0; c < 3; ++c) ASSERT_TRUE(m.indices[k + c] >= 0 && m.indices[k + c] < m.vertexCount);
            const double out = outwardness(m, k);
            zeroArea += out == 0.0;
            EXPECT_GE(out, 0.0) << "triangle " << k / 3;
        }
        EXPECT_EQ(zeroArea, e.zeroArea);
        for (int32_t i = 0; i < m.vertexCount; ++i) {
            const Vertex& v = m.vertices[i];
            ASSERT_TRUE(v.u >= 0.0f && v.u <= 1.0f && v.v >= 0.0f && v.v <= 1.0f && v.w == 1.0f) << i;
            const double radius = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
            ASSERT_TRUE(!e.onSphere || std::abs(radius - 360.0) <= 1e-3) << i << ": radius " << radius;
        }
    }
}

TEST(Procedural, GlobeRingsAndSeam) {
    auto r = test::makeRenderer();
    r->createGlobeSphere();
    const Mesh& m = r->meshes[0];
    for (int i = 0; i < 31; ++i) {
        EXPECT_EQ(xyzw(m.vertices[i]), (Xyzw{0.0f, 360.0f, 0.0f, 1.0f})) << i;
        EXPECT_EQ(m.vertices[i].v, 0.0f);
        EXPECT_EQ(m.vertices[31 * i].u, 0.0f);
        EXPECT_EQ(m.vertices[31 * i + 30].u, 1.0f) << "ring " << i;
    }
    // Ring 1 (6 degrees), vertex 1 (12 degrees), with the 3.14-based factor.
    const double k = 0.017444444444444446;
    const double s = std::sin(6.0f * k);
    EXPECT_EQ(m.vertices[32].x, static_cast<float>(360 * std::cos(12.0f * k) * s));
    EXPECT_EQ(m.vertices[32].y, static_cast<float>(360 * std::cos(6.0f * k)));
    EXPECT_EQ(m.vertices[32].z, static_cast<float>(360 * std::sin(12.0f * k) * s));
    EXPECT_EQ(m.vertices[32].u, 12.0f * 0.0027777778f);
    EXPECT_EQ(m.vertices[32].v, 6.0f * 0.0055555557f);
    // The last ring is a small circle, not a point.
    EXPECT_GT(m.vertices[930].x, 0.5f);
    EXPECT_LT(m.vertices[930].x, 0.6f);
    // The first band: (31, 0, 1), (31, 1, 32), ...
    EXPECT_EQ(std::vector<int32_t>(m.indices.begin(), m.indices.begin() + 9),
              (std::vector<int32_t>{31, 0, 1, 31, 1, 32, 32, 1, 2}));
    EXPECT_EQ(m.indices[5399], 960);
}

TEST(Procedural, AzimuthExamples) {
    auto r = test::makeRenderer();
    const float cases[][3] = {{0, -1, 0},   {-1, 0, 90},  {1, 0, 270},       {0, 1, 179},
                              {-1, 1, 134}, {1, 1, 226},  {0.001f, -1, 360}, {0, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(r->azimuthDegrees(c[0], c[1], 0.0f, -50.0f), c[2]) << c[0] << ", " << c[1];
    }
}

TEST(Procedural, SubdividedSpheresSpanTheirExtent) {
    auto r = test::makeRenderer();
    r->createGeoSphere();
    const Mesh& m = r->meshes[0];
    EXPECT_EQ(m.vertices[0].z, -360.0f);
    EXPECT_EQ(m.vertices[0].u, 0.0f);  // azimuth undefined straight ahead: 0
    const auto [low, high] = std::minmax_element(m.vertices.begin(), m.vertices.end(),
                                                 [](const Vertex& a, const Vertex& b) { return a.y < b.y; });
    EXPECT_EQ(std::tuple(r->sphereMinY[0], r->sphereMaxY[0]), std::tuple(low->y, high->y));
    // v runs from 0 at the lowest vertex to 1 at the highest.
    EXPECT_EQ(std::tuple(low->v, high->v), std::tuple(0.0f, 1.0f));

    r->createIcoSphere();
    const Mesh& ico = r->meshes[0];
    EXPECT_EQ(xyzw(ico.vertices[11]), (Xyzw{0.0f, 360.0f, 0.0f, 1.0f}));
    EXPECT_EQ(std::tuple(ico.vertices[11].u, ico.vertices[11].v), std::tuple(0.0f, 1.0f));
    EXPECT_EQ(ico.vertices[0].y, -360.0f);
}

TEST(Procedural, SubdivisionEmitsMidpointsAndTrianglesInOrder) {
    auto r = test::makeRenderer();
    Mesh& m = r->meshes[0];
    m.vertices.resize(3);
    m.vertices[0].x = 1.0f;
    m.vertices[1].y = 1.0f;
    m.vertices[2].z = 1.0f;
    r->buildVertexCursor = 3;
    r->buildIndexCursor = 0;
    r->subdivideTriangle(0, 1, 2, 0);
    r->subdivideTriangle(0, 1, 2, 1);
    ASSERT_EQ(r->buildVertexCursor, 6);
    ASSERT_EQ(r->buildIndexCursor, 15);
    ASSERT_GE(m.indices.size(), 15u);
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
    EXPECT_EQ(r->buildVertexCursor, 6);
    EXPECT_EQ(r->buildIndexCursor, 15);
}

TEST(Procedural, SeamFlagAndModelTransform) {
    auto r = test::makeRenderer();
    r->meshCount = 1;
    r->fixTextureSeam = 1;
    r->createGeoSphere();
    r->createIcoSphere();
    EXPECT_EQ(r->fixTextureSeam, 1);
    r->createGlobeSphere();
    EXPECT_EQ(r->fixTextureSeam, 0);
    r->fixTextureSeam = 1;
    Mesh& m = r->meshes[0];
    m.position = Vector3{1.0f, 2.0f, 3.0f};
    m.rotation = Vector3{10.0f, 20.0f, 30.0f};
    m.scale = Vector3{2.0f, 2.0f, 2.0f};
    r->createCube();
    EXPECT_EQ(r->fixTextureSeam, 0);
    EXPECT_EQ(xyz(m.position), (std::array{1.0f, 2.0f, 3.0f}));
    EXPECT_EQ(xyz(m.rotation), (std::array{10.0f, 20.0f, 30.0f}));
    EXPECT_EQ(xyz(m.scale), (std::array{2.0f, 2.0f, 2.0f}));
    r->createIcoSphere();
    EXPECT_EQ(xyz(m.position), (std::array{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(xyz(m.rotation), (std::array{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(xyz(m.scale), (std::array{1.0f, 1.0f, 1.0f}));
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
