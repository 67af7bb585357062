// The vertex stage several vertices at a time against one at a time: every field
// of every vertex, bit for bit, over awkward coordinates, normals, lights and
// exponents.
#include <gtest/gtest.h>

#include <random>

#include "core/vertex_stage.h"
#include "test_support.h"

namespace trivane {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Ordinary vertices in view with every sort of normal, whose colours stay
// inside 0..1, then every combination of three coordinates from the table
// (2197 vertices: with the first, whole blocks, part blocks and a last single
// vertex), normals from another table, and texture coordinates that are only
// copied.
void awkwardMesh(Mesh& m) {
    constexpr int kOrdinary = 1024;
    const float coordinates[] = {0.0f,  -0.0f, 1.0f, -250.0f, 300.5f, -1100.0f, 1e-40f,
                                 1e30f, -1e30f, kInf, -kInf,   kNaN,   3e9f};
    const float normals[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.3f, -0.7f, 1e-30f, kInf, kNaN};
    constexpr int n = std::size(coordinates), k = std::size(normals);
    m.vertexCount = kOrdinary + n * n * n;
    m.vertices.assign(m.vertexCount, Vertex{});
    m.normals.assign(m.vertexCount, Vertex{});
    m.transformed.assign(m.vertexCount, Vertex{});
    m.clipFlags.assign(m.vertexCount, 0);
    std::mt19937 rng(7);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    for (int i = 0; i < kOrdinary; ++i) {
        m.vertices[i] = Vertex{uniform(-600, 600), uniform(-400, 400), uniform(-900, 900)};
        m.normals[i] = Vertex{uniform(-1, 1), uniform(-1, 1), uniform(-1, 1), 0};
    }
    for (int i = 0; i < n * n * n; ++i) {
        Vertex& v = m.vertices[kOrdinary + i];
        v = Vertex{coordinates[i % n], coordinates[i / n % n], coordinates[i / (n * n)], i % 7 == 0 ? 0.5f : 1.0f};
        v.u = static_cast<float>(i), v.v = -static_cast<float>(i);
        m.normals[kOrdinary + i] =
            Vertex{normals[i % k], normals[(i / 3) % k], normals[(i / 5) % k], i % 11 == 0 ? 1.0f : 0.0f};
    }
    m.visible = 1;
}

std::vector<uint32_t> bitsOf(const Mesh& m) {
    std::vector<uint32_t> bits;
    auto put = [&](const void* p, size_t size) {
        uint32_t word[2] = {};
        std::memcpy(word, p, size);
        bits.insert(bits.end(), word, word + size / 4);
    };
    for (size_t i = 0; i < m.transformed.size(); ++i) {
        const Vertex& v = m.transformed[i];
        for (const float* f : {&v.x, &v.y, &v.z, &v.w, &v.u, &v.v, &v.r, &v.g, &v.b}) put(f, 4);
        put(&v.depth, 8);
        bits.push_back(m.clipFlags[i]);
    }
    return bits;
}

TEST(VertexStage, SideBySideGivesTheBitsOfOneAtATime) {
    if (setVertexLanes(4) == 1) GTEST_SKIP() << "the processor has no 256-bit vectors";
    // Exponents of the plain loop, beyond it (the shortened product), none
    // and negative; -1 stands for the default material.
    for (float shine : {-1.0f, 0.0f, 1.0f, 12.9f, 128.0f, 4096.0f, 4097.0f, 3e6f, -3.0f}) {
        for (uint8_t lookAt : {0, 1}) {
            auto r = test::startView(Gouraud);
            r->camera.lookAtMode = lookAt;
            r->camera.cameraRotation = Vector3{10, -20, 5};
            r->scene.meshes[0].rotation = Vector3{30, 45, -60};
            r->lighting.light = LightingTerms{{0.2f, -0.1f, 0.1f}, {0.6f, 0.5f, 0.3f}, {0.3f, 0.4f, -1}};
            r->lighting.lightPosition = Vertex{120, -80, -300};
            if (shine >= -0.5f || shine < -1.5f) {
                r->scene.materials = {LightingTerms{{0.3f, 0.1f, 0.2f}, {0.8f, 0.9f, 0.4f}, {1, 0.7f, 0.2f}}};
                r->scene.materialShine = {shine};
                r->scene.materialCount = 1;
            }
            r->scene.meshCount = 1;
            awkwardMesh(r->scene.meshes[0]);
            setVertexLanes(1);
            transformVertices(r->scene, r->camera, r->lighting, r->work);
            const std::vector<uint32_t> one = bitsOf(r->scene.meshes[0]);
            for (int32_t asked : {4, 8}) {
                const int32_t lanes = setVertexLanes(asked);
                if (lanes != asked) continue;
                transformVertices(r->scene, r->camera, r->lighting, r->work);
                const std::vector<uint32_t> wide = bitsOf(r->scene.meshes[0]);
                ASSERT_EQ(one.size(), wide.size());
                size_t first = 0;
                while (first < one.size() && one[first] == wide[first]) ++first;
                EXPECT_EQ(first, one.size()) << lanes << " at a time, shine " << shine << ", camera " << int{lookAt}
                                             << ": vertex " << first / 12 << ", word " << first % 12;
            }
        }
    }
}

}  // namespace
}  // namespace trivane
