#pragma once

#include <cstdint>

#include "math/vertex.h"
#include "math/lighting_terms.h"

namespace trivane::raster {

// The colour products of one lit vertex. Only the specular factor varies while
// its power is being taken.
struct ColourTerms {
    double base[3];      // ambient product + diffuse product, per channel
    float specLight[3];  // light.specular
    float specMat[3];    // material.specular

    // base + e x light.specular x material.specular, stored as a float and
    // clamped to 0..1.
    float channel(int k, double e) const;
    // The three channels for e1 and e2 are bit for bit the same.
    bool sameColour(double e1, double e2) const;
};

// 1.0 multiplied by s exactly `times` times (1.0 for times <= 0), as far as
// the colour can tell: the returned factor gives the same channels as the
// plain product would, without walking billions of steps.
double specularPower(float s, int32_t times, const ColourTerms& terms);

// Up to this exponent specularPower is the plain loop of products.
constexpr int32_t kPlainPowerLimit = 4096;

// Everything lighting needs besides the vertex: the light, the viewer and
// the material with its exponent.
struct LightingSetup {
    Vertex lightPosition;
    Vertex viewerPosition;
    LightingTerms light;
    LightingTerms material;
    int32_t shininess;
};

// Lights count vertices at camera-space positions with unit normals and
// writes the clamped colours into r, g and b of out (which may be positions).
void lightVertices(const LightingSetup& setup, const Vertex* positions, const Vertex* normals, int32_t count,
                   Vertex* out);

}  // namespace trivane::raster
