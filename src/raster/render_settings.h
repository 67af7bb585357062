#pragma once

#include <cstdint>

namespace trivane {

enum RenderMode : int32_t { Wire = 1, Mapping = 2, Gouraud = 3 };

// How faces are drawn, as the menu leaves it; any other mode draws no face.
struct RenderSettings {
    int32_t renderMode = 0;
    // Texture coordinates that wrap around a seam are unwrapped first.
    uint8_t fixTextureSeam = 0;
};

}  // namespace trivane
