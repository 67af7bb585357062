#pragma once

// How much of a mesh's arrays the frame may use: the counts, but never past
// an array's end, whatever a loader or a test left.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "scene/mesh.h"

namespace trivane {

inline int32_t usableVertexCount(const Mesh& mesh) {
    size_t n = mesh.vertexCount > 0 ? static_cast<size_t>(mesh.vertexCount) : 0;
    n = std::min({n, mesh.vertices.size(), mesh.transformed.size(), mesh.normals.size(), mesh.clipFlags.size()});
    return static_cast<int32_t>(n);
}

inline int32_t usableIndexCount(const Mesh& mesh) {
    size_t n = mesh.indexCount > 0 ? static_cast<size_t>(mesh.indexCount) : 0;
    return static_cast<int32_t>(std::min(n, mesh.indices.size()));
}

// The texture-vertex numbers of face f's corners, or null when some corner
// names no texture vertex the mesh has (the face is then shaded).
inline const int32_t* textureCorners(const Mesh& mesh, int32_t f) {
    const size_t first = 3 * static_cast<size_t>(f);
    const size_t faceLimit = std::min(static_cast<size_t>(std::max(mesh.texFaceIndexCount, 0)), mesh.texFaces.size());
    if (f < 0 || first + 3 > faceLimit) return nullptr;
    const size_t texLimit = std::min(static_cast<size_t>(std::max(mesh.texVertexCount, 0)), mesh.texVertices.size());
    const int32_t* t = mesh.texFaces.data() + first;
    for (int k = 0; k < 3; ++k)
        if (t[k] < 0 || static_cast<size_t>(t[k]) >= texLimit) return nullptr;
    return t;
}

}  // namespace trivane
