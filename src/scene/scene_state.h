#pragma once

#include <cstdint>
#include <vector>

#include "math/lighting_terms.h"
#include "scene/mesh.h"

namespace trivane {

constexpr int32_t kMaxMeshes = 1000;

// What is shown: the meshes, the model's materials and the texture, and the
// scratch state of the readers and builders that fill them.
struct SceneState {
    Mesh meshes[kMaxMeshes];
    int32_t meshCount = 0;
    std::vector<LightingTerms> materials;
    int32_t materialCount = 0;
    std::vector<float> materialShine;
    std::vector<uint8_t> textureFile;        // the whole texture file
    const uint8_t* texturePixels = nullptr;  // first texel, inside textureFile
    int32_t textureWidth = 0;
    int32_t textureMaxY = 0;
    int32_t textureStride = 0;
    // Model reader and sphere builders.
    uint8_t parseFlag = 0;
    uint8_t hasMaterials = 0;
    int32_t buildVertexCursor = 0;
    int32_t buildIndexCursor = 0;
    double sphereMaxY[1000] = {};
    double sphereMinY[1000] = {};
};

}  // namespace trivane
