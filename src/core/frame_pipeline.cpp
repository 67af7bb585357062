#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/mesh_limits.h"
#include "core/renderer.h"
#include "core/workers.h"
#include "math/numeric.h"
#include "math/transforms.h"
#include "raster/fills.h"
#include "raster/lighting.h"

namespace trivane {

namespace {

float wholeNumber(float value) { return static_cast<float>(roundToInt32(value)); }

bool outsideViewVolume(const Vertex& v) {
    // Every comparison is false for NaN, so such a vertex counts as inside.
    return v.z < 0.0f || v.z >= v.w || v.x >= v.w || v.x <= -v.w || v.y >= v.w || v.y <= -v.w;
}

// Vertices handed to one task, and lit together within it.
constexpr int64_t kVerticesPerTask = 512;
constexpr int32_t kLightBatch = 64;

struct StageMatrices {
    Matrix4 modelView;
    Matrix4 projection;
    Matrix4 viewport;
};

// Vertices [begin, end) of one mesh: transformed, lit, projected, flagged,
// divided, mapped to pixels and rounded. Each vertex goes through the same
// operations in the same order wherever it is processed.
void processVertices(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                     const raster::LightingSetup& lighting) {
    Vertex normals[kLightBatch];
    for (int32_t first = begin; first < end; first += kLightBatch) {
        const int32_t n = std::min(end - first, kLightBatch);
        for (int32_t j = 0; j < n; ++j) {
            const int32_t i = first + j;
            Vertex& out = mesh.transformed[i];
            out = mesh.vertices[i].transformedBy(mx.modelView);
            out.depth = static_cast<double>(roundToInt32(out.z));
            Vertex normal = mesh.normals[i];
            normal.transformBy(mx.modelView);
            normal.normalize();
            normals[j] = normal;
        }
        Vertex* out = mesh.transformed.data() + first;
        raster::lightVertices(lighting, out, normals, n, out);
        for (int32_t j = 0; j < n; ++j) {
            Vertex& v = out[j];
            v.transformBy(mx.projection);
            mesh.clipFlags[first + j] = outsideViewVolume(v) ? 1 : 0;
            // Every vertex is divided, clipped or not.
            const double k = 1.0 / v.w;
            v.x = static_cast<float>(v.x * k);
            v.y = static_cast<float>(v.y * k);
            v.z = static_cast<float>(v.z * k);
            v.w = static_cast<float>(v.w * k);
            v.transformBy(mx.viewport);
            v.z = wholeNumber(v.z);
            v.x = wholeNumber(v.x);
            v.y = wholeNumber(v.y);
            v.w = wholeNumber(v.w);
        }
    }
}

constexpr uint8_t kWireColour[3] = {255, 0, 0};  // red, green, blue

// The readable texels of the scene's texture.
raster::TexelSource sceneTexels(const SceneState& scene) {
    return raster::texelSource(scene.textureFile, scene.texturePixels, scene.textureWidth, scene.textureMaxY,
                               scene.textureStride);
}

}  // namespace

MaterialChoice materialFor(const SceneState& scene, const LightState& lighting, int32_t materialIndex) {
    // A material number the table does not have is lit as if there were no
    // table at all.
    const bool fromTable = scene.materialCount > 0 && materialIndex >= 0 && materialIndex < scene.materialCount &&
                           static_cast<size_t>(materialIndex) < scene.materials.size() &&
                           static_cast<size_t>(materialIndex) < scene.materialShine.size();
    if (fromTable)
        return MaterialChoice{scene.materials[materialIndex], truncToInt32(scene.materialShine[materialIndex]),
                              materialIndex};
    return MaterialChoice{lighting.defaultMaterial, 128, -1};
}

void transformVertices(SceneState& scene, const CameraState& camera, LightState& lighting, FrameWork& work) {
    const int32_t meshesInUse = std::clamp(scene.meshCount, 0, kMaxMeshes);
    Mesh* const meshes = scene.meshes;
    int64_t* const vertexStarts = work.vertexStarts;
    const Mesh& model = meshes[0];
    const StageMatrices mx{modelView(model.scale, model.rotation, model.position, camera),
                           projectionMatrix(camera.nearPlane, camera.farPlane, camera.viewportWidth,
                                            camera.viewportHeight),
                           viewportMatrix(camera.viewportWidth, camera.viewportHeight)};
    int32_t lastLit = -1;
    ++work.vertexStageRuns;
    vertexStarts[0] = 0;
    for (int32_t m = 0; m < meshesInUse; ++m) {
        const int32_t count = usableVertexCount(meshes[m]);
        vertexStarts[m + 1] = vertexStarts[m] + count;
        if (count > 0) lastLit = m;
    }
    const int64_t total = vertexStarts[meshesInUse];
    const int32_t tasks = static_cast<int32_t>((total + kVerticesPerTask - 1) / kVerticesPerTask);
    auto task = [&](int32_t t) {
        const int64_t begin = t * kVerticesPerTask;
        const int64_t end = std::min(total, begin + kVerticesPerTask);
        // The mesh holding vertex `begin`, then on through the meshes the
        // range reaches.
        int32_t m = static_cast<int32_t>(
            std::upper_bound(vertexStarts, vertexStarts + meshesInUse + 1, begin) - vertexStarts - 1);
        for (int64_t at = begin; at < end; ++m) {
            const int64_t meshEnd = std::min(end, vertexStarts[m + 1]);
            if (meshEnd <= at) continue;
            Mesh& mesh = meshes[m];
            const MaterialChoice choice = materialFor(scene, lighting, mesh.materialIndex);
            const raster::LightingSetup setup{lighting.lightPosition, camera.cameraPosition, lighting.light,
                                              choice.terms, choice.shininess};
            processVertices(mesh, static_cast<int32_t>(at - vertexStarts[m]),
                            static_cast<int32_t>(meshEnd - vertexStarts[m]), mx, setup);
            at = meshEnd;
        }
    };
    runTasks(tasks, task);

    // What the serial walk leaves behind: the last vertex lit chose the
    // material.
    if (lastLit >= 0) {
        const MaterialChoice choice = materialFor(scene, lighting, meshes[lastLit].materialIndex);
        lighting.material = choice.terms;
        scene.materialSource = choice.source;
    }
}

namespace {

// What every band draws with.
struct BandDrawing {
    const SceneState& scene;
    const FrameWork& work;
    int32_t renderMode;
    raster::TexelSource texels;
    bool seam;
};

void drawLines(raster::FrameBand& band, const Vertex& a, const Vertex& b, const Vertex& c) {
    const int32_t ax = truncToInt32(a.x), ay = truncToInt32(a.y);
    const int32_t bx = truncToInt32(b.x), by = truncToInt32(b.y);
    const int32_t cx = truncToInt32(c.x), cy = truncToInt32(c.y);
    raster::drawLine(band, ax, ay, bx, by, kWireColour);
    raster::drawLine(band, ax, ay, cx, cy, kWireColour);
    raster::drawLine(band, cx, cy, bx, by, kWireColour);
}

// The faces of one piece that reach the band, in face order.
void drawChunk(raster::FrameBand& band, const BandDrawing& d, const FaceChunk& chunk) {
    const Mesh& mesh = d.scene.meshes[chunk.mesh];
    const Vertex* const vertices = mesh.transformed.data();
    const AssembledFace* const faces = d.work.assembledFaces.data() + chunk.slot;
    const int32_t* const faceNumbers = chunk.textured ? d.work.faceNumbers.data() + chunk.slot : nullptr;
    for (int32_t k = 0; k < chunk.count; ++k) {
        const AssembledFace& face = faces[k];
        if (face.rowHigh < band.rowBegin || face.rowLow >= band.rowEnd) continue;
        const Vertex& a = vertices[face.corner[0]];
        const Vertex& b = vertices[face.corner[1]];
        const Vertex& c = vertices[face.corner[2]];
        if (d.renderMode == Wire) {
            drawLines(band, a, b, c);
            continue;
        }
        const int32_t* t = faceNumbers != nullptr ? textureCorners(mesh, faceNumbers[k]) : nullptr;
        if (t == nullptr) {
            raster::drawGouraud(band, a, b, c);
            continue;
        }
        Vertex ta = a, tb = b, tc = c;
        const TexCoord* const texVertices = mesh.texVertices.data();
        ta.u = texVertices[t[0]].u, tb.u = texVertices[t[1]].u, tc.u = texVertices[t[2]].u;
        ta.v = texVertices[t[0]].v, tb.v = texVertices[t[1]].v, tc.v = texVertices[t[2]].v;
        raster::drawTextured(band, d.texels, d.seam, ta, tb, tc);
    }
}

}  // namespace

void drawBands(const SceneState& scene, const RenderSettings& settings, FrameTarget& target, FrameWork& work,
               size_t chunkCount) {
    const int32_t renderMode = settings.renderMode;
    raster::FrameBand* const bands = work.bands;
    const bool clearDepth = renderMode == Mapping || renderMode == Gouraud;
    const bool draw = renderMode == Wire || renderMode == Mapping || renderMode == Gouraud;
    const int32_t workers = workerCount();
    const int32_t bandCount = workers == 1 ? 1 : std::min(kMaxBands, workers * 4);
    const BandDrawing drawing{scene, work, renderMode, sceneTexels(scene), settings.fixTextureSeam != 0};

    auto task = [&](int32_t i) {
        raster::FrameBand& band = bands[i];
        band = wholeFrame(target);
        band.rowBegin = band.height * i / bandCount;
        band.rowEnd = band.height * (i + 1) / bandCount;
        const size_t rows = static_cast<size_t>(band.rowEnd - band.rowBegin);
        if (target.clearFrame) {
            std::memset(band.row(band.rowBegin), 0, rows * static_cast<size_t>(band.stride));
            if (clearDepth) std::fill_n(band.depthRow(band.rowBegin), rows * static_cast<size_t>(band.width), 0.0f);
        }
        if (!draw) return;
        for (size_t n = 0; n < chunkCount; ++n) {
            const FaceChunk& chunk = work.chunks[n];
            if (chunk.rowHigh < band.rowBegin || chunk.rowLow >= band.rowEnd) continue;
            drawChunk(band, drawing, chunk);
        }
    };
    runTasks(bandCount, task);
}

void Renderer::renderFrame() {
    beginFrame(clock);
    if (input.keyHeld || input.mouseDragging || input.dirty) {
        transformVertices(scene, camera, lighting, work);
        input.dirty = 0;
    }
    if (target.frameBits != nullptr) {
        const int32_t mode = settings.renderMode;
        const bool draw = mode == Wire || mode == Mapping || mode == Gouraud;
        drawBands(scene, settings, target, work, draw ? assembleFaces(scene, settings, target.frameHeight, work) : 0);
    }
    endOfFrame(clock);
    // The automatic rotation advances once a frame, not with time, and shows
    // in the next frame.
    if (clock.animating) {
        scene.meshes[0].rotation.y += 2.0f;
        input.dirty = 1;
    } else {
        input.dirty = 0;
    }
}

}  // namespace trivane
