#pragma once

// The vertex stage's kernels: one vertex at a time, and four at a time in
// 256-bit vectors where the processor has them. Both put every vertex through
// the same IEEE operations in the same order, so they write the same bits.

#include <cstdint>

#include "math/vertex.h"
#include "raster/lighting.h"
#include "scene/mesh.h"

namespace trivane {

struct StageMatrices {
    Matrix4 modelView;
    Matrix4 projection;
    Matrix4 viewport;
};

// Vertices [begin, end) of one mesh: transformed, lit, projected, flagged,
// divided, mapped to pixels and rounded.
void processVertices(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                     const raster::LightingSetup& lighting);
// The same four at a time; false (nothing done) without 256-bit vectors.
bool processVerticesFourByFour(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                               const raster::LightingSetup& lighting);

// The four-vertex kernel is on by default where the processor has it; off,
// every vertex goes through the one-vertex kernel. Only for comparing the two.
void setWideVertexStage(bool on);
bool wideVertexStage();

}  // namespace trivane
