#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/mesh_limits.h"
#include "core/renderer.h"
#include "core/workers.h"
#include "math/numeric.h"
#include "raster/fills.h"

namespace trivane {

namespace {

constexpr uint8_t kWireColour[3] = {255, 0, 0};  // red, green, blue

// The readable texels of the scene's texture.
raster::TexelSource sceneTexels(const SceneState& scene) {
    return raster::texelSource(scene.textureFile, scene.texturePixels, scene.textureWidth, scene.textureMaxY,
                               scene.textureStride);
}

// The texels a mesh's textured faces show: its material's image, or the
// scene's texture. A mesh naming an image the model lacks shows none.
raster::TexelSource meshTexels(const SceneState& scene, const raster::TexelSource& sceneTexture, const Mesh& mesh) {
    if (mesh.texture < 0) return sceneTexture;
    if (static_cast<size_t>(mesh.texture) >= scene.modelTextures.size()) return {};
    const MaterialTexture& image = scene.modelTextures[static_cast<size_t>(mesh.texture)];
    if (image.texels.empty()) return {};
    return raster::texelSource(image.texels, image.texels.data(), image.width, image.height - 1, image.stride);
}

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

constexpr int32_t kPrefetchAhead = 8;

// What one band draws with: shaded and textured triangles each keep their
// short rows waiting, so that one kind is flushed before the other draws.
// Only Gouraud rows are kept for drawing again: a band that draws anything
// else gives its record up.
struct BandFills {
    raster::GouraudTriangles shaded;
    raster::TexturedTriangles textured;
    raster::RowRecord* record;
};

// The faces of one piece that reach the band, in face order.
void drawChunk(raster::FrameBand& band, const BandDrawing& d, const FaceChunk& chunk, BandFills& fills) {
    const Mesh& mesh = d.scene.meshes[chunk.mesh];
    const Vertex* const vertices = mesh.transformed.data();
    const AssembledFace* const faces = d.work.assembledFaces.data() + chunk.slot;
    const int32_t* const faceNumbers = chunk.textured ? d.work.faceNumbers.data() + chunk.slot : nullptr;
    if (chunk.textured) fills.textured.useTexels(meshTexels(d.scene, d.texels, mesh));
    for (int32_t k = 0; k < chunk.count; ++k) {
        // The corners of a big model are far apart in memory: ask for those
        // of a face a few ahead while this one is drawn.
        if (k + kPrefetchAhead < chunk.count) {
            const AssembledFace& ahead = faces[k + kPrefetchAhead];
            for (int32_t corner : ahead.corner) __builtin_prefetch(vertices + corner);
        }
        const AssembledFace& face = faces[k];
        if (face.rowHigh < band.rowBegin || face.rowLow >= band.rowEnd) continue;
        const Vertex& a = vertices[face.corner[0]];
        const Vertex& b = vertices[face.corner[1]];
        const Vertex& c = vertices[face.corner[2]];
        if (d.renderMode == Wire) {
            if (fills.record != nullptr) fills.record->giveUp();
            drawLines(band, a, b, c);
            continue;
        }
        const int32_t* t = faceNumbers != nullptr ? textureCorners(mesh, faceNumbers[k]) : nullptr;
        if (t == nullptr) {
            fills.textured.flush();
            fills.shaded.draw(a, b, c);
            continue;
        }
        fills.shaded.flush();
        if (fills.record != nullptr) fills.record->giveUp();
        Vertex ta = a, tb = b, tc = c;
        const TexCoord* const texVertices = mesh.texVertices.data();
        ta.u = texVertices[t[0]].u, tb.u = texVertices[t[1]].u, tc.u = texVertices[t[2]].u;
        ta.v = texVertices[t[0]].v, tb.v = texVertices[t[1]].v, tc.v = texVertices[t[2]].v;
        fills.textured.draw(ta, tb, tc);
    }
}

// How a frame draws the faces of the last assembly: the first frame to draw
// them sets every row up; a second one (nothing has changed) also keeps the
// Gouraud rows of each band; later ones draw the kept rows of the bands that
// have them, into the same bands.
struct RowReuse {
    bool record = false;
    bool replay = false;
};

RowReuse rowReuse(FrameWork& work, int32_t bandCount, const FrameTarget& target, bool onlyShaded) {
    RowReuse reuse;
    const bool again = work.drawnAssembly == work.assemblies;
    work.drawnAssembly = work.assemblies;
    if (!again || !onlyShaded) return reuse;
    reuse.replay = work.recordedAssembly == work.assemblies && work.recordedBands == bandCount &&
                   work.recordedWidth == target.frameWidth && work.recordedHeight == target.frameHeight;
    reuse.record = !reuse.replay;
    if (reuse.record) {
        // Bands this frame does not have keep nothing.
        for (int32_t i = bandCount; i < kMaxBands; ++i) work.bandRows[i] = raster::KeptRows();
        work.recordedAssembly = work.assemblies;
        work.recordedBands = bandCount;
        work.recordedWidth = target.frameWidth;
        work.recordedHeight = target.frameHeight;
    }
    return reuse;
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
    // Rows are kept only where every face is drawn by the Gouraud fill.
    const auto chunks = work.chunks.begin();
    const bool onlyShaded = renderMode == Gouraud || (renderMode == Mapping &&
                                                      std::none_of(chunks, chunks + static_cast<ptrdiff_t>(chunkCount),
                                                                   [](const FaceChunk& c) { return c.textured; }));
    const RowReuse reuse = draw ? rowReuse(work, bandCount, target, onlyShaded) : RowReuse{};
    std::atomic<int64_t> budget{kMaxRecordedRows};

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
        if (reuse.replay && work.rowsComplete[i]) {
            raster::drawGouraudRows(band, work.bandRows[i]);
            return;
        }
        std::optional<raster::RowRecord> record;
        if (reuse.record) record.emplace(work.bandRows[i], budget);
        raster::RowRecord* const kept = record ? &*record : nullptr;
        BandFills fills{raster::GouraudTriangles(band, kept),
                        raster::TexturedTriangles(band, drawing.texels, drawing.seam), kept};
        for (size_t n = 0; n < chunkCount; ++n) {
            const FaceChunk& chunk = work.chunks[n];
            if (chunk.rowHigh < band.rowBegin || chunk.rowLow >= band.rowEnd) continue;
            drawChunk(band, drawing, chunk, fills);
        }
        fills.shaded.flush();
        fills.textured.flush();
        if (reuse.record) work.rowsComplete[i] = record->complete();
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
