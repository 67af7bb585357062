// Whole frames, with one worker and with all of them: the default scene in
// each mode, the three spheres, 100 000 small triangles and a fan reaching
// 1e30 in screen space. Each iteration draws two steady frames (clear and
// rasterisation; the first after a change also keeps the Gouraud rows, the
// second draws them again) and a re-transform frame (the vertex stage and
// face assembly as well). Wall time, since several workers share a frame.
// Reported per case:
//   fps, fps_retransform  frames per second of a steady frame among steady
//                         ones, and of a re-transform frame
//   fps_first_steady      of the first steady frame after a change
//   ns_per_px             steady frame time per pixel the frame colours
//                         (for wire frames, the outline pixels)
//   us_per_vertex         the vertex stage and face assembly per vertex: the
//                         re-transform frame minus the first steady one
// TRIVANE_BENCH_MODEL=FILE.ase adds the model in that file (as
// trivane-render opens it, unframed) in Gouraud and Mapping, and the time of
// each stage of its re-transform frame:
//   ms_vertex, ms_assembly, ms_bands
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/renderer.h"
#include "core/workers.h"
#include "scene/loaded_files.h"
#include "scene/procedural.h"
#include "ui/session.h"

namespace {

using trivane::Mesh;
using trivane::Renderer;
using trivane::Session;
using trivane::TexCoord;
using trivane::Vertex;

enum Scene { kDefault, kGlobe, kGeoSphere, kIcoSphere, kSmallTriangles, kHugeTriangles, kModelFile };
const char* const kSceneNames[] = {"default",        "globe",       "geo_sphere", "ico_sphere",
                                   "100k_triangles", "fan_to_1e30", "model"};

const char* benchModel() { return std::getenv("TRIVANE_BENCH_MODEL"); }

// The case's scene as labels name it: the model file by its stem ("grid").
std::string sceneName(int scene) {
    return scene == kModelFile ? std::filesystem::path(benchModel()).stem().string() : kSceneNames[scene];
}
const char* const kModeNames[] = {"", "wire", "mapping", "gouraud"};

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

// columns x rows quads over world x -720..720, y -540..540 at z about -1100,
// which is pixels 40..760 x 30..570. Every quad maps the whole texture.
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
void hugeTriangles(trivane::CameraState& camera, Mesh& m, int count) {
    camera.lookAtMode = 0;  // camera at the origin: world space is camera space
    camera.cameraPosition = Vertex{};
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

// The viewer as started in the source tree (default scene and texture), then
// the scene's own model. Null when the default scene cannot be read.
std::unique_ptr<Session> build(int scene, int mode) {
    auto session = std::make_unique<Session>();
    if (!session->start().started) return nullptr;
    Renderer& r = session->state();
    switch (scene) {
    case kGlobe: createGlobeSphere(r.scene); break;
    case kGeoSphere: createGeoSphere(r.scene); break;
    case kIcoSphere: createIcoSphere(r.scene); break;
    case kSmallTriangles:
    case kHugeTriangles: {
        releaseModel(r.scene);
        r.scene.meshCount = 1;
        Mesh& m = r.scene.meshes[0];
        m.scale = trivane::Vector3{1, 1, 1};
        if (scene == kSmallTriangles) quadGrid(m, 250, 200);  // 100 000 triangles
        else hugeTriangles(r.camera, m, 64);
        break;
    }
    case kModelFile:
        if (!trivane::loadModelFile(r.scene, benchModel()).loaded()) return nullptr;
        break;
    default: break;
    }
    r.settings.renderMode = mode;
    return session;
}

int coveredPixels(const trivane::FramePixels& picture) {
    int n = 0;
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* p = picture.row(y);
        for (int32_t x = 0; x < picture.width; ++x, p += 3) n += (p[0] | p[1] | p[2]) != 0;
    }
    return n;
}

int64_t vertexCount(const trivane::SceneState& scene) {
    int64_t n = 0;
    for (int m = 0; m < scene.meshCount; ++m) n += scene.meshes[m].vertexCount;
    return n;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void frames(benchmark::State& state) {
    const int scene = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    const int workers = static_cast<int>(state.range(2));
    trivane::setWorkerCount(workers);
    auto session = build(scene, mode);
    if (!session) {
        state.SkipWithError("the default scene or the model was not found (run from the source tree)");
        return;
    }
    uint8_t& dirty = session->state().input.dirty;
    dirty = 1;
    session->frame();
    const int covered = coveredPixels(session->picture());
    std::chrono::steady_clock::duration firstSteady{}, steady{}, retransform{};
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        session->frame();
        const auto t1 = std::chrono::steady_clock::now();
        session->frame();
        const auto t2 = std::chrono::steady_clock::now();
        dirty = 1;
        session->frame();
        const auto t3 = std::chrono::steady_clock::now();
        firstSteady += t1 - t0;
        steady += t2 - t1;
        retransform += t3 - t2;
        state.SetIterationTime(seconds(t3 - t0));
    }
    const double n = static_cast<double>(state.iterations());
    const double firstSteadyFrame = seconds(firstSteady) / n, steadyFrame = seconds(steady) / n;
    const double retransformFrame = seconds(retransform) / n;
    state.counters["fps"] = 1.0 / steadyFrame;
    state.counters["fps_first_steady"] = 1.0 / firstSteadyFrame;
    state.counters["fps_retransform"] = 1.0 / retransformFrame;
    state.counters["ns_per_px"] = covered > 0 ? steadyFrame * 1e9 / covered : 0.0;
    state.counters["us_per_vertex"] = (retransformFrame - firstSteadyFrame) * 1e6 /
                                      static_cast<double>(vertexCount(session->state().scene));
    state.SetLabel(sceneName(scene) + "/" + kModeNames[mode] + "/" + std::to_string(workers) +
                   (workers == 1 ? " worker" : " workers"));
}

void allCases(benchmark::internal::Benchmark* b) {
    const int all = trivane::workerCount();
    auto add = [&](int scene, int mode) {
        b->Args({scene, mode, 1});
        if (all > 1) b->Args({scene, mode, all});
    };
    for (int mode : {1, 2, 3}) add(kDefault, mode);
    add(kGlobe, 3);
    add(kGeoSphere, 3);
    add(kIcoSphere, 3);
    add(kIcoSphere, 1);
    for (int mode : {1, 2, 3}) add(kSmallTriangles, mode);
    add(kHugeTriangles, 2);
    if (benchModel() != nullptr)
        for (int mode : {3, 2}) add(kModelFile, mode);
}

BENCHMARK(frames)->Apply(allCases)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The stages of a re-transform frame of the model, each timed on its own.
void stages(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const int workers = static_cast<int>(state.range(1));
    trivane::setWorkerCount(workers);
    auto session = build(kModelFile, mode);
    if (!session) {
        state.SkipWithError("the model was not found");
        return;
    }
    Renderer& r = session->state();
    session->frame();
    std::chrono::steady_clock::duration vertex{}, assembly{}, bands{};
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        trivane::transformVertices(r.scene, r.camera, r.lighting, r.work);
        const auto t1 = std::chrono::steady_clock::now();
        const size_t pieces = trivane::assembleFaces(r.scene, r.settings, r.target.frameHeight, r.work);
        const auto t2 = std::chrono::steady_clock::now();
        trivane::drawBands(r.scene, r.settings, r.target, r.work, pieces);
        const auto t3 = std::chrono::steady_clock::now();
        vertex += t1 - t0;
        assembly += t2 - t1;
        bands += t3 - t2;
        state.SetIterationTime(seconds(t3 - t0));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_vertex"] = seconds(vertex) * 1e3 / n;
    state.counters["ms_assembly"] = seconds(assembly) * 1e3 / n;
    state.counters["ms_bands"] = seconds(bands) * 1e3 / n;
    state.SetLabel(sceneName(kModelFile) + " stages/" + kModeNames[mode] + "/" + std::to_string(workers) +
                   (workers == 1 ? " worker" : " workers"));
}

void stageCases(benchmark::internal::Benchmark* b) {
    if (benchModel() == nullptr) return;
    const int all = trivane::workerCount();
    for (int mode : {3, 2}) {
        b->Args({mode, 1});
        if (all > 1) b->Args({mode, all});
    }
}

BENCHMARK(stages)->Apply(stageCases)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
    // The default scene is read from the working directory.
    if (::chdir(TRIVANE_SOURCE_DIR) != 0) std::fprintf(stderr, "cannot enter %s\n", TRIVANE_SOURCE_DIR);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
