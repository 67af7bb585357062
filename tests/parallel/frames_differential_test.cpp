// Frames drawn by any number of workers equal the single-worker frame byte for
// byte, together with every value a frame leaves in the record. Random scenes:
// procedural and generated models with faces across the near plane, huge and
// NaN coordinates and bad indices, both cameras, all modes, moved lights.
#include <gtest/gtest.h>

#include <new>
#include <random>
#include <string_view>

#include "core/vertex_stage.h"
#include "core/workers.h"
#include "raster/row_setup.h"
#include "scene/procedural.h"
#include "../test_support.h"

namespace trivane {
namespace {

int64_t fixedFrequency() { return 1000; }
int64_t fixedRead() { return 0; }

struct Scene {
    std::mt19937 rng;
    explicit Scene(uint32_t seed) : rng(seed) {}
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    // A coordinate that is usually ordinary, sometimes huge or NaN.
    float coordinate(float range) {
        switch (pick(40)) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return uniform(-1e30f, 1e30f);
        default: return uniform(-range, range);
        }
    }

    void generatedMesh(Renderer& r) {
        Mesh& m = r.scene.meshes[r.scene.meshCount++];
        const int n = 3 + pick(60), faces = 1 + pick(80);
        m.vertexCount = n;
        m.vertices.resize(n), m.transformed.resize(n), m.normals.resize(n), m.clipFlags.assign(n, 0);
        // Some reach behind the camera and across the near plane.
        for (Vertex& v : m.vertices) v = Vertex{coordinate(900), coordinate(700), coordinate(1600)};
        for (Vertex& v : m.normals) v = Vertex{uniform(-1, 1), uniform(-1, 1), uniform(-1, 0.2f), 0};
        m.indexCount = 3 * faces;
        for (int i = 0; i < m.indexCount; ++i) m.indices.push_back(pick(50) == 0 ? n + pick(5) - 2 : pick(n));
        m.texVertexCount = pick(3) == 0 ? 0 : n;
        for (int i = 0; i < m.texVertexCount; ++i) m.texVertices.push_back(TexCoord{uniform(-0.1f, 1.1f), uniform(0, 1)});
        m.texFaceIndexCount = m.indexCount - (pick(4) == 0 ? 3 : 0);
        for (int i = 0; i < m.texFaceIndexCount; ++i) m.texFaces.push_back(pick(n));
        m.materialIndex = pick(4) - 1;
        m.visible = pick(8) != 0;
    }

    void build(Renderer& r) {
        // One scene in four at a size whose rows are padded and whose bands
        // are uneven.
        const bool odd = pick(4) == 0;
        const int32_t width = odd ? 1001 : kFrameWidth, height = odd ? 333 : kFrameHeight;
        createFrameBitmap(r.target, width, height);
        r.clock.counter = CounterSource{&fixedFrequency, &fixedRead}, r.clock.perfFrequency = 1000;
        r.camera.nearPlane = 300, r.camera.farPlane = 200000;
        r.camera.viewportWidth = static_cast<float>(width), r.camera.viewportHeight = static_cast<float>(height);
        r.lighting.light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
        r.lighting.lightPosition = Vertex{uniform(-500, 500), uniform(-500, 500), uniform(-900, 300)};
        r.settings.fixTextureSeam = static_cast<uint8_t>(pick(2));
        // A 16 x 16 texture with a row stride of 48 bytes.
        r.scene.textureFile.resize(16 * 48);
        for (uint8_t& b : r.scene.textureFile) b = static_cast<uint8_t>(pick(256));
        r.scene.texturePixels = r.scene.textureFile.data();
        r.scene.textureWidth = 16, r.scene.textureMaxY = 15, r.scene.textureStride = 48;

        void (*const models[])(SceneState&) = {&createGlobeSphere, &createGeoSphere, &createIcoSphere, &createCube};
        if (const int model = pick(5); model < 4) models[model](r.scene);
        const int generated = r.scene.meshCount == 0 ? 1 + pick(4) : pick(2);
        for (int i = 0; i < generated; ++i) generatedMesh(r);
        r.scene.materialCount = pick(3);
        for (int i = 0; i < r.scene.materialCount; ++i) {
            const Rgb c{uniform(0, 1), uniform(0, 1), uniform(0, 1)};
            r.scene.materials.push_back(LightingTerms{c, c, Rgb{1, 1, 1}});
            r.scene.materialShine.push_back(uniform(0, 300));
        }

        Mesh& model = r.scene.meshes[0];
        model.position = Vector3{uniform(-300, 300), uniform(-300, 300), uniform(-300, 300)};
        model.rotation = Vector3{uniform(-360, 360), uniform(-360, 360), uniform(-360, 360)};
        model.scale.x = model.scale.y = model.scale.z = uniform(0.2f, 3.0f);
        r.camera.lookAtMode = static_cast<uint8_t>(pick(2));
        r.camera.cameraPosition = Vertex{uniform(-300, 300), uniform(-300, 300), uniform(-2500, -900)};
        r.camera.cameraTarget = Vertex{uniform(-100, 100), uniform(-100, 100), uniform(-100, 100)};
        r.camera.cameraUp = Vertex{0, 1, 0};
        r.camera.cameraRotation = Vector3{uniform(-30, 30), uniform(-30, 30), uniform(-30, 30)};
        r.settings.renderMode = 1 + pick(3);
        r.input.dirty = 1;
    }
};

// Everything a frame writes that anyone can read afterwards, as a digest.
struct Outcome {
    std::vector<size_t> digests;

    void add(const void* data, size_t size) {
        digests.push_back(std::hash<std::string_view>{}(std::string_view(static_cast<const char*>(data), size)));
    }
    void addFrame(const Renderer& r) {
        add(r.target.frameStorage.data(), r.target.frameStorage.size());
        add(r.target.zBuffer.data(), r.target.zBuffer.size() * sizeof(float));
        add(&r.lighting.material, sizeof r.lighting.material), add(&r.scene.materialSource, sizeof r.scene.materialSource);
        for (int m = 0; m < r.scene.meshCount; ++m) {
            // Field by field: a vertex has padding after w.
            for (const Vertex& v : r.scene.meshes[m].transformed) {
                const float f[9] = {v.x, v.y, v.z, v.w, v.u, v.v, v.r, v.g, v.b};
                add(f, sizeof f);
                add(&v.depth, sizeof v.depth);
            }
            add(r.scene.meshes[m].clipFlags.data(), r.scene.meshes[m].clipFlags.size());
        }
    }
};

// A re-transformed frame, then a steady one in another mode. The record is
// built anew in the same memory each time.
Outcome render(Renderer& r, uint32_t seed) {
    r.~Renderer();
    new (&r) Renderer();
    Scene scene(seed);
    scene.build(r);
    Outcome out;
    r.renderFrame();
    out.addFrame(r);
    r.settings.renderMode = 1 + scene.pick(3);
    r.renderFrame();
    out.addFrame(r);
    return out;
}

TEST(ParallelFrames, AnyWorkerCountGivesTheSingleWorkerBytes) {
    constexpr uint32_t kScenes = 200;
    auto r = std::make_unique<Renderer>();
    std::vector<Outcome> reference;
    // The reference also sets rows up and transforms vertices one at a time,
    // the others side by side where the processor can, four and eight
    // vertices at a time in turn.
    setWorkerCount(1);
    raster::setWideRowSetup(false);
    setVertexLanes(1);
    for (uint32_t seed = 1; seed <= kScenes; ++seed) reference.push_back(render(*r, seed));
    raster::setWideRowSetup(true);
    for (const auto& [workers, lanes] : {std::pair(1, 4), std::pair(2, 8), std::pair(3, 4), std::pair(8, 8)}) {
        setWorkerCount(workers);
        setVertexLanes(lanes);
        for (uint32_t seed = 1; seed <= kScenes; ++seed)
            ASSERT_EQ(render(*r, seed).digests, reference[seed - 1].digests)
                << "scene " << seed << " with " << workers << " workers, " << lanes << " vertices at a time";
    }
    setVertexLanes(8);
    setWorkerCount(1);
}

}  // namespace
}  // namespace trivane
