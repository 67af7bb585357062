#pragma once

#include <cstdint>
#include <vector>

#include "math/lighting_terms.h"
#include "scene/mesh.h"

namespace trivane {

constexpr int32_t kMaxMeshes = 1000;

// What is shown: the meshes, the model's materials and the texture.
struct SceneState {
    Mesh meshes[kMaxMeshes];
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
};

// Frees the arrays of every mesh in use and the material table; the meshes'
// placement and visibility stay.
void releaseModel(SceneState& scene);

}  // namespace trivane
