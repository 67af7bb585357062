#pragma once

#include "math/lighting_terms.h"
#include "math/vertex.h"

namespace trivane {

// The light, and the material lighting last used.
struct LightState {
    LightingTerms light;
    Vertex lightPosition;
    LightingTerms material;  // the material of the last vertex lit, as the display shows it
    // Used when the model has no material list or names a material it does
    // not have; the dialog edits it.
    LightingTerms defaultMaterial{{0.2f, 0.2f, 0.2f}, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}};
};

}  // namespace trivane
