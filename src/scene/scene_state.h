#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "math/lighting_terms.h"
#include "scene/mesh.h"

namespace trivane {

// Slots the mesh table always has, and the most objects a model text may
// fill; imported models may need more, and the table grows for them.
constexpr int32_t kMaxMeshes = 1000;

// An image a material of an imported model brings: three bytes a texel
// (blue, green, red), rows bottom-up, each `stride` bytes, as the scene's
// texture is laid out for the textured fill.
struct MaterialTexture {
    std::vector<uint8_t> texels;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
};

// What is shown: the meshes, the model's materials and the texture.
struct SceneState {
    std::vector<Mesh> meshes = std::vector<Mesh>(kMaxMeshes);
    int32_t meshCount = 0;
    std::vector<LightingTerms> materials;
    int32_t materialCount = 0;
    std::vector<float> materialShine;
    // The material the last vertex lit took its colours from: an index into
    // materials, or -1 for the lighting's default material. The light and
    // material dialog writes back there. Forgotten with the table.
    int32_t materialSource = -1;
    std::vector<uint8_t> textureFile;        // the whole texture file
    const uint8_t* texturePixels = nullptr;  // first texel, inside textureFile
    int32_t textureWidth = 0;
    int32_t textureMaxY = 0;
    int32_t textureStride = 0;
    // The images an imported model's materials bring (Mesh::texture names
    // one); models read from text use the texture above.
    std::vector<MaterialTexture> modelTextures;
};

// The slots of the mesh table the model uses.
inline int32_t meshesInUse(const SceneState& scene) {
    return std::clamp(scene.meshCount, 0, static_cast<int32_t>(scene.meshes.size()));
}

// Frees the arrays of every mesh in use and the material table; the meshes'
// placement and visibility stay.
void releaseModel(SceneState& scene);

}  // namespace trivane
