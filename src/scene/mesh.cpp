#include "core/renderer.h"

namespace trivane {

namespace {

// Swapping with an empty vector gives the memory back; clear() would keep it.
template <typename T>
void freeArray(std::vector<T>& array) {
    std::vector<T>().swap(array);
}

}  // namespace

void releaseMeshArrays(Mesh& mesh) {
    freeArray(mesh.vertices);
    freeArray(mesh.transformed);
    freeArray(mesh.indices);
    freeArray(mesh.normals);
    freeArray(mesh.clipFlags);
    freeArray(mesh.faceMaterialIds);
    freeArray(mesh.texVertices);
    freeArray(mesh.texFaces);
    mesh.vertexCount = 0;
    mesh.indexCount = 0;
    mesh.texVertexCount = 0;
    mesh.texFaceIndexCount = 0;
}

void Renderer::releaseModel() {
    const int32_t inUse = meshCount < 0 ? 0 : (meshCount > kMaxMeshes ? kMaxMeshes : meshCount);
    for (int32_t i = 0; i < inUse; ++i) {
        releaseMeshArrays(meshes[i]);
        meshes[i].materialIndex = 0;
    }
    freeArray(materials);
    freeArray(materialShine);
    materialCount = 0;
    // The dialog must not write into a table that no longer exists.
    materialSource = -1;
}

}  // namespace trivane
