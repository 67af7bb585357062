#include <cmath>

#include <gtest/gtest.h>

#include "scene_files.h"
#include "test_support.h"

namespace trivane {
namespace {

struct Expected {
    void (Renderer::*command)();
    const char* name;
    int32_t vertices;
    int32_t indices;
};

const Expected kModels[] = {{&Renderer::createGlobeSphere, "globe", 961, 5400},
                            {&Renderer::createGeoSphere, "geo sphere", 4 + 4 * 1023, 3 * 4 * 1024},
                            {&Renderer::createIcoSphere, "icosahedron sphere", 12 + 20 * 255, 3 * 20 * 256},
                            {&Renderer::createCube, "cube", 24, 36}};

// Twice the signed volume the triangle spans with the origin: positive when
// the triangle faces away from the centre.
double outwardness(const Mesh& m, int32_t k) {
    const Vertex& p0 = m.vertices[m.indices[k]];
    const Vertex& p1 = m.vertices[m.indices[k + 1]];
    const Vertex& p2 = m.vertices[m.indices[k + 2]];
    const double e1[3] = {double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z};
    const double e2[3] = {double(p2.x) - p0.x, double(p2.y) - p0.y, double(p2.z) - p0.z};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                         e1[0] * e2[1] - e1[1] * e2[0]};
    const double centre[3] = {(double(p0.x) + p1.x + p2.x) / 3, (double(p0.y) + p1.y + p2.y) / 3,
                              (double(p0.z) + p1.z + p2.z) / 3};
    return n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2];
}

TEST(Procedural, CountsExactAllocationsAndOutwardFaces) {
    for (const Expected& e : kModels) {
        auto r = test::makeRenderer();
        r->meshCount = 1;
        (r.get()->*e.command)();
        const Mesh& m = r->meshes[0];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(r->meshCount, 1);
        EXPECT_EQ(r->materialCount, 0);
        ASSERT_EQ(m.vertexCount, e.vertices);
        ASSERT_EQ(m.indexCount, e.indices);
        EXPECT_EQ(r->buildVertexCursor, e.vertices);
        EXPECT_EQ(r->buildIndexCursor, e.indices);
        // Exactly the room that is used, not a fixed million entries.
        EXPECT_EQ(m.vertices.size(), static_cast<size_t>(e.vertices));
        EXPECT_EQ(m.transformed.size(), static_cast<size_t>(e.vertices));
        EXPECT_EQ(m.normals.size(), static_cast<size_t>(e.vertices));
        EXPECT_EQ(m.clipFlags.size(), static_cast<size_t>(e.vertices));
        EXPECT_EQ(m.indices.size(), static_cast<size_t>(e.indices));
        EXPECT_EQ(m.texVertexCount, 0);
        EXPECT_TRUE(m.texVertices.empty());
        int zeroArea = 0;
        for (int32_t k = 0; k < m.indexCount; k += 3) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_GE(m.indices[k + c], 0);
                ASSERT_LT(m.indices[k + c], m.vertexCount);
            }
            const double out = outwardness(m, k);
            if (out == 0.0) {
                ++zeroArea;
            } else {
                EXPECT_GT(out, 0.0) << "triangle " << k / 3;
            }
        }
        EXPECT_EQ(zeroArea, e.vertices == 961 ? 30 : 0);
        for (int32_t i = 0; i < m.vertexCount; ++i) {
            ASSERT_GE(m.vertices[i].u, 0.0f);
            ASSERT_LE(m.vertices[i].u, 1.0f);
            ASSERT_GE(m.vertices[i].v, 0.0f);
            ASSERT_LE(m.vertices[i].v, 1.0f);
            ASSERT_EQ(m.vertices[i].w, 1.0f);
        }
    }
}

TEST(Procedural, GlobeRingsAndSeam) {
    auto r = test::makeRenderer();
    r->createGlobeSphere();
    const Mesh& m = r->meshes[0];
    for (int i = 0; i < 31; ++i) {
        EXPECT_EQ(m.vertices[i].x, 0.0f);
        EXPECT_EQ(m.vertices[i].y, 360.0f);
        EXPECT_EQ(m.vertices[i].z, 0.0f);
        EXPECT_EQ(m.vertices[i].v, 0.0f);
    }
    for (int ring = 0; ring < 31; ++ring) {
        EXPECT_EQ(m.vertices[31 * ring].u, 0.0f);
        EXPECT_EQ(m.vertices[31 * ring + 30].u, 1.0f) << ring;
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
    const int32_t band[] = {31, 0, 1, 31, 1, 32, 32, 1, 2};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.indices[i], band[i]);
    EXPECT_EQ(m.indices[5399], 960);
}

TEST(Procedural, AzimuthExamples) {
    auto r = test::makeRenderer();
    struct Case {
        float x, z, degrees;
    } cases[] = {{0, -1, 0},   {-1, 0, 90},  {1, 0, 270},   {0, 1, 179},
                 {-1, 1, 134}, {1, 1, 226},  {0.001f, -1, 360}, {0, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(r->azimuthDegrees(c.x, c.z, 0.0f, -50.0f), c.degrees) << c.x << ", " << c.z;
    }
}

TEST(Procedural, SubdividedSpheresLieOnTheRadiusWithTheirExtent) {
    auto r = test::makeRenderer();
    r->createGeoSphere();
    const Mesh& m = r->meshes[0];
    EXPECT_EQ(m.vertices[0].z, -360.0f);
    EXPECT_EQ(m.vertices[0].u, 0.0f);  // azimuth undefined straight ahead: 0
    double minY = 1e9, maxY = -1e9;
    for (int32_t i = 0; i < m.vertexCount; ++i) {
        const Vertex& v = m.vertices[i];
        ASSERT_NEAR(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z), 360.0, 1e-3);
        minY = std::min(minY, double(v.y));
        maxY = std::max(maxY, double(v.y));
        ASSERT_EQ(v.v, static_cast<float>((v.y - r->sphereMinY[0]) / (r->sphereMaxY[0] - r->sphereMinY[0])));
    }
    EXPECT_EQ(r->sphereMinY[0], minY);
    EXPECT_EQ(r->sphereMaxY[0], maxY);

    r->createIcoSphere();
    const Mesh& ico = r->meshes[0];
    EXPECT_EQ(ico.vertices[11].x, 0.0f);
    EXPECT_EQ(ico.vertices[11].y, 360.0f);
    EXPECT_EQ(ico.vertices[11].u, 0.0f);
    EXPECT_EQ(ico.vertices[11].v, 1.0f);
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
    ASSERT_GE(m.indices.size(), 3u);
    EXPECT_EQ(m.indices[0], 0);
    EXPECT_EQ(m.indices[1], 2);
    EXPECT_EQ(m.indices[2], 1);
    r->subdivideTriangle(0, 1, 2, 1);
    ASSERT_EQ(r->buildVertexCursor, 6);
    ASSERT_EQ(r->buildIndexCursor, 15);
    const int32_t order[] = {0, 3, 4, 4, 5, 2, 3, 1, 5, 3, 5, 4};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m.indices[3 + i], order[i]) << i;
    const float half = static_cast<float>(0.5 * (1.0 / std::sqrt(0.5)));
    EXPECT_EQ(m.vertices[3].x, half);
    EXPECT_EQ(m.vertices[3].y, half);
    EXPECT_EQ(m.vertices[3].z, 0.0f);
    EXPECT_EQ(m.vertices[5].x, 0.0f);
    EXPECT_EQ(m.vertices[5].z, half);
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
    EXPECT_EQ(r->fixTextureSeam, 1);
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
    EXPECT_EQ(m.position.y, 2.0f);
    EXPECT_EQ(m.rotation.z, 30.0f);
    EXPECT_EQ(m.scale.x, 2.0f);
    r->createIcoSphere();
    EXPECT_EQ(m.position.y, 0.0f);
    EXPECT_EQ(m.rotation.z, 0.0f);
    EXPECT_EQ(m.scale.x, 1.0f);
}

TEST(Procedural, ReplacesEveryMeshOfALoadedModelAndKeepsVisibility) {
    test::TempDir dir;
    auto r = test::makeRenderer();
    std::string text = "*MATERIAL_COUNT 1\n";
    for (int i = 0; i < 3; ++i) {
        text += "*NODE_NAME \"Box\"\n*MESH_NUMVERTEX 1\n*MESH_NUMTVERTEX 1\n*PROP_MOTIONBLUR\n";
    }
    ASSERT_EQ(r->loadModel(dir.write("three.ase", text).c_str()), 3);
    r->createCube();
    EXPECT_EQ(r->meshCount, 1);
    EXPECT_EQ(r->materialCount, 0);
    EXPECT_TRUE(r->materials.empty());
    EXPECT_EQ(r->meshes[0].texVertexCount, 0);
    EXPECT_EQ(r->meshes[0].visible, 1);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(r->meshes[i].vertexCount, 0);
        EXPECT_TRUE(r->meshes[i].vertices.empty());
        EXPECT_TRUE(r->meshes[i].texVertices.empty());
    }
    // Before any model was loaded mesh 0 is not visible, and stays so.
    auto fresh = test::makeRenderer();
    fresh->createGlobeSphere();
    EXPECT_EQ(fresh->meshCount, 1);
    EXPECT_EQ(fresh->meshes[0].visible, 0);
    EXPECT_EQ(fresh->meshes[0].vertexCount, 961);
}

}  // namespace
}  // namespace trivane
