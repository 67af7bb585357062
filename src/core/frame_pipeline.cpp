#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/renderer.h"
#include "core/workers.h"
#include "math/numeric.h"
#include "math/transforms.h"
#include "raster/fills.h"
#include "raster/lighting.h"

namespace trivane {

namespace {

// Vertices a mesh really has room for: its count, but never past an array.
int32_t usableVertexCount(const Mesh& mesh) {
    size_t n = mesh.vertexCount > 0 ? static_cast<size_t>(mesh.vertexCount) : 0;
    n = std::min({n, mesh.vertices.size(), mesh.transformed.size(), mesh.normals.size(),
                  mesh.clipFlags.size()});
    return static_cast<int32_t>(n);
}

int32_t usableIndexCount(const Mesh& mesh) {
    size_t n = mesh.indexCount > 0 ? static_cast<size_t>(mesh.indexCount) : 0;
    return static_cast<int32_t>(std::min(n, mesh.indices.size()));
}

float wholeNumber(float value) { return static_cast<float>(roundToInt32(value)); }

bool outsideViewVolume(const Vertex& v) {
    // Every comparison is false for NaN, so such a vertex counts as inside.
    return v.z < 0.0f || v.z >= v.w || v.x >= v.w || v.x <= -v.w || v.y >= v.w || v.y <= -v.w;
}

// The texture vertex a face corner names, or null when the mesh does not
// have it (the face is then shaded instead of textured).
const TexCoord* cornerTexCoord(const Mesh& mesh, int32_t corner) {
    if (corner < 0 || corner >= mesh.texFaceIndexCount ||
        static_cast<size_t>(corner) >= mesh.texFaces.size())
        return nullptr;
    const int32_t t = mesh.texFaces[corner];
    if (t < 0 || t >= mesh.texVertexCount || static_cast<size_t>(t) >= mesh.texVertices.size())
        return nullptr;
    return &mesh.texVertices[t];
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

// Rows a face with corners at these rows can touch, limited to the picture.
// A NaN row could reach anywhere.
void faceRows(const Vertex& a, const Vertex& b, const Vertex& c, int32_t height, AssembledFace& face) {
    const double ys[3] = {a.y, b.y, c.y};
    if (std::isnan(ys[0]) || std::isnan(ys[1]) || std::isnan(ys[2])) {
        face.rowLow = 0;
        face.rowHigh = height - 1;
        return;
    }
    const double low = std::floor(std::min({ys[0], ys[1], ys[2]})) - 1.0;
    const double high = std::ceil(std::max({ys[0], ys[1], ys[2]})) + 1.0;
    face.rowLow = low <= 0.0 ? 0 : low >= height ? height : static_cast<int32_t>(low);
    face.rowHigh = high < 0.0 ? -1 : high >= height - 1 ? height - 1 : static_cast<int32_t>(high);
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

// Faces [first, end) of one mesh: the back-face and clip tests, into the
// slots from chunk.slot on.
void assembleChunk(const Mesh& mesh, int32_t renderMode, int32_t height, FaceChunk& chunk, AssembledFace* slots) {
    const int32_t vertexLimit = usableVertexCount(mesh);
    int32_t count = 0;
    for (int32_t f = 3 * chunk.firstFace; f < 3 * chunk.endFace; f += 3) {
        const int32_t ia = mesh.indices[f];
        const int32_t ib = mesh.indices[f + 1];
        const int32_t ic = mesh.indices[f + 2];
        // A face naming a vertex the mesh does not have is not drawn.
        if (ia < 0 || ia >= vertexLimit || ib < 0 || ib >= vertexLimit || ic < 0 || ic >= vertexLimit) continue;
        const Vertex& a = mesh.transformed[ia];
        const Vertex& b = mesh.transformed[ib];
        const Vertex& c = mesh.transformed[ic];

        const double e1x = static_cast<double>(b.x) - a.x;
        const double e1y = static_cast<double>(b.y) - a.y;
        const double e2x = static_cast<double>(c.x) - a.x;
        const double e2y = static_cast<double>(c.y) - a.y;
        const double det = e1y * e2x - e1x * e2y;
        if (!(det > 0.0)) continue;
        if ((mesh.clipFlags[ia] && mesh.clipFlags[ib] && mesh.clipFlags[ic]) || !mesh.visible) continue;

        AssembledFace& face = slots[count++];
        face.corner[0] = &a;
        face.corner[1] = &b;
        face.corner[2] = &c;
        faceRows(a, b, c, height, face);
        face.kind = renderMode == Wire ? AssembledFace::Lines : AssembledFace::Shaded;
        if (renderMode == Mapping && mesh.texVertexCount != 0) {
            const TexCoord* t[3] = {cornerTexCoord(mesh, f), cornerTexCoord(mesh, f + 1), cornerTexCoord(mesh, f + 2)};
            if (t[0] != nullptr && t[1] != nullptr && t[2] != nullptr) {
                for (int k = 0; k < 3; ++k) {
                    face.u[k] = t[k]->u;
                    face.v[k] = t[k]->v;
                }
                face.kind = AssembledFace::Textured;
            }
        }
    }
    chunk.count = count;
    chunk.rowLow = height;
    chunk.rowHigh = -1;
    for (int32_t k = 0; k < count; ++k) {
        chunk.rowLow = std::min(chunk.rowLow, slots[k].rowLow);
        chunk.rowHigh = std::max(chunk.rowHigh, slots[k].rowHigh);
    }
}

}  // namespace

size_t assembleFaces(const SceneState& scene, const RenderSettings& settings, int32_t height, FrameWork& work) {
    const int32_t meshesInUse = std::clamp(scene.meshCount, 0, kMaxMeshes);
    const Mesh* const meshes = scene.meshes;
    // Every mesh in pieces of at most kFacesPerChunk faces, each with slots
    // for all its faces, so that pieces are assembled independently and their
    // accepted faces still come out in face order.
    int64_t slots = 0;
    size_t chunkCount = 0;
    for (int32_t m = 0; m < meshesInUse; ++m) {
        const int32_t faces = usableIndexCount(meshes[m]) / 3;
        for (int32_t first = 0; first < faces; first += kFacesPerChunk) {
            if (work.chunks.size() <= chunkCount) work.chunks.resize(chunkCount + 1);  // grows with the model only
            const int32_t end = std::min(faces, first + kFacesPerChunk);
            work.chunks[chunkCount++] = FaceChunk{m, first, end, slots, 0, 0, -1};
            slots += end - first;
        }
    }
    if (work.assembledFaces.size() < static_cast<size_t>(slots)) work.assembledFaces.resize(slots);

    const int32_t renderMode = settings.renderMode;
    auto task = [&](int32_t i) {
        FaceChunk& chunk = work.chunks[i];
        assembleChunk(meshes[chunk.mesh], renderMode, height, chunk, work.assembledFaces.data() + chunk.slot);
    };
    runTasks(static_cast<int32_t>(chunkCount), task);
    return chunkCount;
}

void drawBands(const SceneState& scene, const RenderSettings& settings, FrameTarget& target, FrameWork& work,
               size_t chunkCount) {
    const int32_t renderMode = settings.renderMode;
    const std::vector<AssembledFace>& assembledFaces = work.assembledFaces;
    raster::FrameBand* const bands = work.bands;
    const bool clearDepth = renderMode == Mapping || renderMode == Gouraud;
    const bool draw = renderMode == Wire || renderMode == Mapping || renderMode == Gouraud;
    const int32_t workers = workerCount();
    const int32_t bandCount = workers == 1 ? 1 : std::min(kMaxBands, workers * 4);
    const raster::TexelSource texelsOfFrame = sceneTexels(scene);
    const bool seam = settings.fixTextureSeam != 0;

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
            for (int64_t k = chunk.slot; k < chunk.slot + chunk.count; ++k) {
                const AssembledFace& face = assembledFaces[k];
                if (face.rowHigh < band.rowBegin || face.rowLow >= band.rowEnd) continue;
                const Vertex& a = *face.corner[0];
                const Vertex& b = *face.corner[1];
                const Vertex& c = *face.corner[2];
                switch (face.kind) {
                case AssembledFace::Lines: {
                    const int32_t ax = truncToInt32(a.x), ay = truncToInt32(a.y);
                    const int32_t bx = truncToInt32(b.x), by = truncToInt32(b.y);
                    const int32_t cx = truncToInt32(c.x), cy = truncToInt32(c.y);
                    raster::drawLine(band, ax, ay, bx, by, kWireColour);
                    raster::drawLine(band, ax, ay, cx, cy, kWireColour);
                    raster::drawLine(band, cx, cy, bx, by, kWireColour);
                    break;
                }
                case AssembledFace::Shaded:
                    raster::drawGouraud(band, a, b, c);
                    break;
                case AssembledFace::Textured: {
                    Vertex ta = a, tb = b, tc = c;
                    ta.u = face.u[0], tb.u = face.u[1], tc.u = face.u[2];
                    ta.v = face.v[0], tb.v = face.v[1], tc.v = face.v[2];
                    raster::drawTextured(band, texelsOfFrame, seam, ta, tb, tc);
                    break;
                }
                }
            }
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
