#pragma once

namespace trivane {

// Colours are floats, nominally 0..1; only the final vertex colour is clamped.
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// One layout for the light, the material in use and every model material.
struct LightingTerms {
    Rgb ambient;
    Rgb diffuse;
    Rgb specular;
};

}  // namespace trivane
