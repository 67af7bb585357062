#pragma once

#include <cstdint>

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

}  // namespace trivane::raster
