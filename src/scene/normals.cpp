#include <algorithm>

#include "scene/mesh.h"

namespace trivane {

namespace {

float difference(float a, float b) { return static_cast<float>(static_cast<double>(a) - b); }

}  // namespace

void computeVertexNormals(Mesh& mesh) {
    const int64_t vertexLimit = std::min<int64_t>(
        {int64_t{mesh.vertexCount}, static_cast<int64_t>(mesh.vertices.size()),
         static_cast<int64_t>(mesh.normals.size())});
    for (int64_t i = 0; i < vertexLimit; ++i) {
        Vertex& n = mesh.normals[static_cast<size_t>(i)];
        n.x = n.y = n.z = n.w = 0.0f;
    }

    // A corner naming a vertex that does not exist makes its triangle add
    // nothing: model files carry their indices unchecked.
    const int64_t indexLimit =
        std::min<int64_t>(int64_t{mesh.indexCount}, static_cast<int64_t>(mesh.indices.size()));
    for (int64_t k = 0; k + 2 < indexLimit; k += 3) {
        const int32_t i0 = mesh.indices[static_cast<size_t>(k)];
        const int32_t i1 = mesh.indices[static_cast<size_t>(k + 1)];
        const int32_t i2 = mesh.indices[static_cast<size_t>(k + 2)];
        if (i0 < 0 || i1 < 0 || i2 < 0 || i0 >= vertexLimit || i1 >= vertexLimit || i2 >= vertexLimit) {
            continue;
        }
        const Vertex& p0 = mesh.vertices[static_cast<size_t>(i0)];
        const Vertex& p1 = mesh.vertices[static_cast<size_t>(i1)];
        const Vertex& p2 = mesh.vertices[static_cast<size_t>(i2)];
        Vertex e1, e2;
        e1.x = difference(p1.x, p0.x);
        e1.y = difference(p1.y, p0.y);
        e1.z = difference(p1.z, p0.z);
        e2.x = difference(p2.x, p0.x);
        e2.y = difference(p2.y, p0.y);
        e2.z = difference(p2.z, p0.z);
        const Vertex n = e1.cross(e2);
        for (const int32_t corner : {i0, i1, i2}) {
            Vertex& sum = mesh.normals[static_cast<size_t>(corner)];
            sum.x += n.x;
            sum.y += n.y;
            sum.z += n.z;
        }
    }
}

}  // namespace trivane
