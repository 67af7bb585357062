#include "scene/scene_state.h"

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

void releaseModel(SceneState& scene) {
    const int32_t inUse = meshesInUse(scene);
    for (int32_t i = 0; i < inUse; ++i) {
        releaseMeshArrays(scene.meshes[i]);
        scene.meshes[i].materialIndex = 0;
        scene.meshes[i].texture = -1;
    }
    freeArray(scene.modelTextures);
    freeArray(scene.materials);
    freeArray(scene.materialShine);
    scene.materialCount = 0;
    // The dialog must not write into a table that no longer exists.
    scene.materialSource = -1;
}

}  // namespace trivane
