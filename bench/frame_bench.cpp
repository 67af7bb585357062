// Whole frames on scenes built here: steady frames (only clear and
// rasterisation) and re-transform frames, in each render mode. Prints frames
// per second and nanoseconds per covered pixel.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <string>
#include <memory>

#include "core/renderer.h"

namespace {

using trivane::Mesh;
using trivane::Renderer;
using trivane::TexCoord;
using trivane::Vertex;

enum Scene { kQuadGrid = 0, kSmallTriangles = 1, kHugeTriangles = 2 };

void startUpValues(Renderer& r) {
    r.createFrameBitmap(trivane::kFrameWidth, trivane::kFrameHeight);
    r.perfFrequency = 1000000000;
    r.lookAtMode = 1;
    r.fixTextureSeam = 1;
    r.nearPlane = 300, r.farPlane = 200000, r.viewportWidth = 800, r.viewportHeight = 600;
    r.cameraPosition.z = -1700;
    r.cameraUp.y = 1;
    r.meshes[0].scale = trivane::Vector3{1, 1, 1};
    r.light = trivane::LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r.lightPosition.z = -300;
    r.meshCount = 1;
}

// A 64 x 64 checker with a colour ramp.
void checkerTexture(Renderer& r) {
    const int size = 64, stride = 192;
    r.textureFile.assign(size * stride, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            uint8_t* t = r.textureFile.data() + y * stride + 3 * x;
            const bool light = ((x / 8) + (y / 8)) % 2 != 0;
            t[0] = light ? 255 : 60;
            t[1] = light ? 255 : static_cast<uint8_t>(4 * y);
            t[2] = light ? 255 : static_cast<uint8_t>(4 * x);
        }
    r.texturePixels = r.textureFile.data();
    r.textureWidth = size, r.textureMaxY = size - 1, r.textureStride = stride;
}

void allocate(Mesh& m, int vertices, int indices) {
    m.vertexCount = vertices;
    m.vertices.assign(vertices, Vertex{});
    m.transformed.assign(vertices, Vertex{});
    m.normals.assign(vertices, Vertex{});
    m.clipFlags.assign(vertices, 0);
    m.texVertexCount = vertices;
    m.texVertices.assign(vertices, TexCoord{});
    m.indexCount = indices;
    m.indices.assign(indices, 0);
    m.texFaceIndexCount = indices;
    m.texFaces.assign(indices, 0);
    m.visible = 1;
}

// columns x rows quads over world x -720..720, y -540..540 at z -1100, which
// is pixels 40..760 x 30..570. Every quad maps the whole texture.
void quadGrid(Mesh& m, int columns, int rows) {
    allocate(m, (columns + 1) * (rows + 1), columns * rows * 6);
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            const int k = j * (columns + 1) + i;
            Vertex& v = m.vertices[k];
            v.x = -720.0f + 1440.0f * i / columns;
            v.y = -540.0f + 1080.0f * j / rows;
            v.z = -1100.0f + 60.0f * std::sin(0.3 * i + 0.2 * j);
            m.normals[k].x = 0.3f * std::sin(0.5 * i);
            m.normals[k].y = 0.3f * std::cos(0.4 * j);
            m.normals[k].z = -1, m.normals[k].w = 0;
            m.texVertices[k] = TexCoord{static_cast<float>(i % 2), static_cast<float>(j % 2)};
        }
    int f = 0;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const int a = j * (columns + 1) + i, b = a + columns + 1;
            for (int idx : {a, b, a + 1, a + 1, b, b + 1}) m.indices[f++] = idx;
        }
    for (int i = 0; i < m.indexCount; ++i) m.texFaces[i] = m.indices[i];
}

// A fan whose centre is in view and whose outer corners lie 1e30 away at
// camera-space depth 2, in front of the near plane: their screen
// coordinates reach about 1e32 before the conversion saturates them.
void hugeTriangles(Renderer& r, Mesh& m, int count) {
    r.lookAtMode = 0;  // camera at the origin: world space is camera space
    r.cameraPosition.z = 0;
    allocate(m, count + 1, count * 3);
    m.vertices[0].z = 800;
    m.normals[0].z = -1, m.normals[0].w = 0;
    m.texVertices[0] = TexCoord{0.5f, 0.5f};
    for (int i = 1; i <= count; ++i) {
        const double angle = 6.283185307179586 * (i - 1) / count;
        Vertex& v = m.vertices[i];
        v.x = static_cast<float>(1e30 * std::cos(angle));
        v.y = static_cast<float>(1e30 * std::sin(angle));
        v.z = 2;
        m.normals[i].z = -1, m.normals[i].w = 0;
        m.texVertices[i] = TexCoord{static_cast<float>(0.5 + 0.5 * std::cos(angle)),
                                    static_cast<float>(0.5 + 0.5 * std::sin(angle))};
    }
    for (int i = 0; i < count; ++i) {
        m.indices[3 * i] = 0;
        m.indices[3 * i + 1] = 1 + (i + 1) % count;
        m.indices[3 * i + 2] = 1 + i;
    }
    for (int i = 0; i < m.indexCount; ++i) m.texFaces[i] = m.indices[i];
}

std::unique_ptr<Renderer> build(int scene, int mode) {
    auto r = std::make_unique<Renderer>();
    startUpValues(*r);
    checkerTexture(*r);
    Mesh& m = r->meshes[0];
    if (scene == kQuadGrid) quadGrid(m, 16, 12);
    if (scene == kSmallTriangles) quadGrid(m, 250, 200);  // 100 000 triangles
    if (scene == kHugeTriangles) hugeTriangles(*r, m, 64);
    r->renderMode = mode;
    return r;
}

double processSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

int coveredPixels(const Renderer& r) {
    int n = 0;
    for (int i = 0; i < trivane::kFrameStride * trivane::kFrameHeight; i += 3)
        n += (r.frameBits[i] | r.frameBits[i + 1] | r.frameBits[i + 2]) != 0;
    return n;
}

void frames(benchmark::State& state) {
    const int scene = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    const bool retransform = state.range(2) != 0;
    auto r = build(scene, mode);
    r->dirty = 1;
    r->renderFrame();
    const int covered = coveredPixels(*r);
    const double start = processSeconds();
    for (auto _ : state) {
        r->dirty = retransform ? 1 : 0;
        r->renderFrame();
        benchmark::DoNotOptimize(r->frameBits[2400 * 300 + 1200]);
    }
    const double perFrame = (processSeconds() - start) / static_cast<double>(state.iterations());
    // Processor time, like the library's own CPU column: the machine is shared.
    state.counters["fps"] = 1.0 / perFrame;
    state.counters["covered_px"] = covered;
    state.counters["ns_per_px"] = covered > 0 ? perFrame * 1e9 / covered : 0.0;
    static const char* kScenes[] = {"grid_16x12_quads", "100k_triangles", "fan_to_1e30"};
    static const char* kModes[] = {"", "wire", "mapping", "gouraud"};
    state.SetLabel(std::string(kScenes[scene]) + "/" + kModes[mode] +
                   (retransform ? "/retransform" : "/steady"));
}

void allCases(benchmark::internal::Benchmark* b) {
    for (int scene : {kQuadGrid, kSmallTriangles, kHugeTriangles})
        for (int mode : {1, 2, 3})
            for (int retransform : {0, 1}) b->Args({scene, mode, retransform});
}

BENCHMARK(frames)->Apply(allCases)->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace

BENCHMARK_MAIN();
