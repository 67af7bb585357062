#pragma once

// The stages of a frame and the working storage they share. Each stage takes
// the parts of the state it reads or writes, and no others.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/camera_state.h"
#include "raster/frame_target.h"
#include "raster/fills.h"
#include "raster/light_state.h"
#include "raster/render_settings.h"
#include "scene/scene_state.h"

namespace trivane {

// Row bands a frame is cut into at most: a few per worker, so that a band
// with much to draw does not leave the others idle.
constexpr int32_t kMaxBands = 64;

// Gouraud rows kept for drawing again, all bands' storage together: 12 MB,
// enough for the million-face grid.
constexpr int64_t kMaxRecordedRows = int64_t{1} << 18;

// A face that passed the back-face and clip tests: its corners (vertex
// numbers in its mesh) and the rows it can touch, so that a band skips a face
// it does not reach without reading its corners. 16 bytes: a model of a
// million faces needs 16 MB for them.
struct AssembledFace {
    int32_t corner[3];
    int16_t rowLow;   // first row it can touch
    int16_t rowHigh;  // last row it can touch
};
static_assert(kMaxPictureSide <= INT16_MAX, "rows of a face are stored in 16 bits");

// Faces [firstFace, endFace) of one mesh, assembled together into the
// slots from `slot` on; `count` of them are to be drawn.
constexpr int32_t kFacesPerChunk = 2048;
struct FaceChunk {
    int32_t mesh;
    int32_t firstFace;
    int32_t endFace;
    int64_t slot;
    int32_t count;
    // Rows its faces can touch (none when rowLow > rowHigh): a band skips a
    // piece it does not reach without looking at its faces.
    int32_t rowLow;
    int32_t rowHigh;
    // Mapping mode on a mesh with texture vertices: FrameWork::faceNumbers
    // says which face each slot holds, for its texture corners.
    bool textured;
};

// What assembly read of a mesh besides the contents of its arrays. A steady
// frame reuses the assembled faces only when no mesh changed shape.
struct MeshShape {
    const void* transformed;
    const void* indices;
    const void* texFaces;
    const void* texVertices;
    int32_t vertexLimit;
    int32_t indexLimit;
    int32_t texVertexLimit;
    int32_t texFaceLimit;
    uint8_t visible;
    bool operator==(const MeshShape&) const = default;
};

// Kept between frames, so that frames allocate nothing once the model's size
// is known.
struct FrameWork {
    std::vector<FaceChunk> chunks;
    std::vector<AssembledFace> assembledFaces;
    // Per slot of a textured piece: the face it holds.
    std::vector<int32_t> faceNumbers;
    raster::FrameBand bands[kMaxBands];
    std::vector<int64_t> vertexStarts;

    // The Gouraud rows each band drew in the last frame that drew the faces
    // of one assembly a second time: frames after it that draw the same
    // faces into the same bands draw these rows without setting them up. A
    // band that drew anything else, or more rows than the budget left, has
    // none (its rowsComplete is false).
    raster::KeptRows bandRows[kMaxBands];
    bool rowsComplete[kMaxBands] = {};
    uint64_t assemblies = 0;        // made so far
    uint64_t drawnAssembly = 0;     // the one the last frame drew
    uint64_t recordedAssembly = 0;  // the one bandRows were drawn from (0: none)
    int32_t recordedBands = 0;
    int32_t recordedWidth = 0;
    int32_t recordedHeight = 0;

    // The faces assembled last, and what they were made from: a frame that
    // did not transform again draws them as they are.
    uint64_t vertexStageRuns = 0;
    size_t assembledChunks = 0;
    bool assembled = false;
    uint64_t assembledAfterRun = 0;
    int32_t assembledMode = 0;
    int32_t assembledHeight = 0;
    std::vector<MeshShape> assembledShapes;
};

// The material lighting uses for a mesh, its exponent and where it came from
// (an index into the material table, or -1 for the default material).
struct MaterialChoice {
    LightingTerms terms;
    int32_t shininess;
    int32_t source;
};
MaterialChoice materialFor(const SceneState& scene, const LightState& lighting, int32_t materialIndex);

// 1. Builds the model and camera transform once, then transforms, lights,
//    projects and rounds every vertex, spread over the workers. The
//    lighting's material and the scene's material source end as the last
//    vertex lit left them.
void transformVertices(SceneState& scene, const CameraState& camera, LightState& lighting, FrameWork& work);
// 2. Back-face and clip tests and texture corners, in pieces spread over the
//    workers, for a picture `height` rows high; returns how many pieces
//    (FrameWork::chunks) hold faces to draw. The faces of the last call are
//    kept when the vertex stage has not run since and nothing else they
//    depend on changed.
size_t assembleFaces(const SceneState& scene, const RenderSettings& settings, int32_t height, FrameWork& work);
// 3. Clears and draws the picture band by band, spread over the workers.
void drawBands(const SceneState& scene, const RenderSettings& settings, FrameTarget& target, FrameWork& work,
               size_t chunkCount);

}  // namespace trivane
