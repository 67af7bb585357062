#pragma once

// The vertex stage's kernels: one vertex at a time, and four or eight side
// by side in 256-bit or 512-bit vectors where the processor has them. All
// put every vertex through the same IEEE operations in the same order, so
// they write the same bits.

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
// The same several at a time; false (nothing done) when one at a time is in
// use.
bool processVerticesSideBySide(Mesh& mesh, int32_t begin, int32_t end, const StageMatrices& mx,
                               const raster::LightingSetup& lighting);

// How many vertices go side by side: the widest the processor has, by
// default. Asking for fewer (1, 4) is only for comparing the kernels; returns
// the number now in use.
int32_t setVertexLanes(int32_t lanes);

}  // namespace trivane
