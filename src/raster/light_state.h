#pragma once

#include <cstdint>

#include "math/vertex.h"
#include "math/lighting_terms.h"

namespace trivane {

// The light, and the material lighting last used with where it came from.
struct LightState {
    LightingTerms light;
    Vertex lightPosition;
    LightingTerms material;  // the material of the last vertex lit
    // Used when the model has no material list or names a material it does
    // not have; the dialog edits it.
    LightingTerms defaultMaterial{{0.2f, 0.2f, 0.2f}, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}};
    // Where material came from: an index into the scene's materials, or -1
    // for defaultMaterial. The dialog writes back there.
    int32_t materialSource = -1;
};

}  // namespace trivane
