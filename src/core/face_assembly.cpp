#include <algorithm>
#include <cstdint>

#include "core/frame_stages.h"
#include "core/mesh_limits.h"
#include "core/workers.h"
#include "math/numeric.h"

namespace trivane {

namespace {

// Rows a face with corners at these rows can touch, limited to the picture:
// a margin of a row around the truncated ends covers every row a fill or a
// line visits. A NaN row could reach anywhere.
void faceRows(float ya, float yb, float yc, int32_t height, AssembledFace& face) {
    if (ya != ya || yb != yb || yc != yc) {
        face.rowLow = 0;
        face.rowHigh = static_cast<int16_t>(height - 1);
        return;
    }
    const int64_t low = static_cast<int64_t>(truncToInt32(std::min({ya, yb, yc}))) - 1;
    const int64_t high = static_cast<int64_t>(truncToInt32(std::max({ya, yb, yc}))) + 1;
    face.rowLow = static_cast<int16_t>(std::clamp<int64_t>(low, 0, height));
    face.rowHigh = static_cast<int16_t>(std::clamp<int64_t>(high, -1, height - 1));
}

// The back-face and clip tests of one piece, into its slots.
void assembleChunk(const Mesh& mesh, int32_t height, FaceChunk& chunk, AssembledFace* slots, int32_t* faceNumbers) {
    const int32_t vertexLimit = usableVertexCount(mesh);
    const Vertex* const transformed = mesh.transformed.data();
    const uint8_t* const clipFlags = mesh.clipFlags.data();
    int32_t count = 0;
    int32_t rowLow = height, rowHigh = -1;
    for (int32_t f = chunk.firstFace; f < chunk.endFace; ++f) {
        const int32_t ia = mesh.indices[3 * f];
        const int32_t ib = mesh.indices[3 * f + 1];
        const int32_t ic = mesh.indices[3 * f + 2];
        // A face naming a vertex the mesh does not have is not drawn.
        if (ia < 0 || ia >= vertexLimit || ib < 0 || ib >= vertexLimit || ic < 0 || ic >= vertexLimit) continue;
        const Vertex& a = transformed[ia];
        const Vertex& b = transformed[ib];
        const Vertex& c = transformed[ic];

        const double e1x = static_cast<double>(b.x) - a.x;
        const double e1y = static_cast<double>(b.y) - a.y;
        const double e2x = static_cast<double>(c.x) - a.x;
        const double e2y = static_cast<double>(c.y) - a.y;
        const double det = e1y * e2x - e1x * e2y;
        if (!(det > 0.0)) continue;
        if (clipFlags[ia] && clipFlags[ib] && clipFlags[ic]) continue;

        AssembledFace& face = slots[count];
        face.corner[0] = ia;
        face.corner[1] = ib;
        face.corner[2] = ic;
        faceRows(a.y, b.y, c.y, height, face);
        rowLow = std::min<int32_t>(rowLow, face.rowLow);
        rowHigh = std::max<int32_t>(rowHigh, face.rowHigh);
        if (chunk.textured) faceNumbers[count] = f;
        ++count;
    }
    chunk.count = count;
    chunk.rowLow = rowLow;
    chunk.rowHigh = rowHigh;
}

MeshShape shapeOf(const Mesh& mesh) {
    return MeshShape{mesh.transformed.data(), mesh.indices.data(),  mesh.texFaces.data(),
                     mesh.texVertices.data(), usableVertexCount(mesh), usableIndexCount(mesh),
                     mesh.texVertexCount,     mesh.texFaceIndexCount, mesh.visible};
}

// Whether the faces assembled last are those the scene would give now.
bool stillAssembled(const SceneState& scene, int32_t meshesInUse, int32_t renderMode, int32_t height,
                    const FrameWork& work) {
    if (!work.assembled || work.assembledAfterRun != work.vertexStageRuns || work.assembledMode != renderMode ||
        work.assembledHeight != height || work.assembledShapes.size() != static_cast<size_t>(meshesInUse))
        return false;
    for (int32_t m = 0; m < meshesInUse; ++m)
        if (!(work.assembledShapes[m] == shapeOf(scene.meshes[m]))) return false;
    return true;
}

void rememberInputs(const SceneState& scene, int32_t meshesInUse, int32_t renderMode, int32_t height,
                    FrameWork& work) {
    work.assembled = true;
    work.assembledAfterRun = work.vertexStageRuns;
    work.assembledMode = renderMode;
    work.assembledHeight = height;
    work.assembledShapes.resize(meshesInUse);  // grows with the model only
    for (int32_t m = 0; m < meshesInUse; ++m) work.assembledShapes[m] = shapeOf(scene.meshes[m]);
}

}  // namespace

size_t assembleFaces(const SceneState& scene, const RenderSettings& settings, int32_t height, FrameWork& work) {
    const int32_t meshesInUse = trivane::meshesInUse(scene);
    const int32_t renderMode = settings.renderMode;
    if (stillAssembled(scene, meshesInUse, renderMode, height, work)) return work.assembledChunks;
    const Mesh* const meshes = scene.meshes.data();
    // Every visible mesh in pieces of at most kFacesPerChunk faces, each with
    // slots for all its faces, so that pieces are assembled independently
    // and their accepted faces still come out in face order.
    int64_t slots = 0, numberedSlots = 0;
    size_t chunkCount = 0;
    for (int32_t m = 0; m < meshesInUse; ++m) {
        if (!meshes[m].visible) continue;
        const int32_t faces = usableIndexCount(meshes[m]) / 3;
        const bool textured = renderMode == Mapping && meshes[m].texVertexCount != 0;
        for (int32_t first = 0; first < faces; first += kFacesPerChunk) {
            if (work.chunks.size() <= chunkCount) work.chunks.resize(chunkCount + 1);  // grows with the model only
            const int32_t end = std::min(faces, first + kFacesPerChunk);
            work.chunks[chunkCount++] = FaceChunk{m, first, end, slots, 0, 0, -1, textured};
            slots += end - first;
            if (textured) numberedSlots = slots;
        }
    }
    if (work.assembledFaces.size() < static_cast<size_t>(slots)) work.assembledFaces.resize(slots);
    if (work.faceNumbers.size() < static_cast<size_t>(numberedSlots)) work.faceNumbers.resize(numberedSlots);

    auto task = [&](int32_t i) {
        FaceChunk& chunk = work.chunks[i];
        assembleChunk(meshes[chunk.mesh], height, chunk, work.assembledFaces.data() + chunk.slot,
                      chunk.textured ? work.faceNumbers.data() + chunk.slot : nullptr);
    };
    runTasks(static_cast<int32_t>(chunkCount), task);
    rememberInputs(scene, meshesInUse, renderMode, height, work);
    work.assembledChunks = chunkCount;
    ++work.assemblies;
    return chunkCount;
}

}  // namespace trivane
