#pragma once

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Conversions from floating point to 32-bit integers. A plain cast of an
// out-of-range or NaN value is undefined behaviour; vertices behind the camera
// produce exactly such values, so every conversion goes through these.

namespace trivane {

// Truncation toward zero, saturating at the int32 limits; NaN gives 0.
inline int32_t truncToInt32(double value) {
#if defined(__SSE2__)
    // The processor truncates in range and gives the int32 minimum for
    // everything else; only that answer needs a second look.
    const int32_t t = _mm_cvttsd_si32(_mm_set_sd(value));
    if (t != INT32_MIN) return t;
#endif
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Nearest integer with ties to even, saturating like truncToInt32.
inline int32_t roundToInt32(double value) {
    return truncToInt32(std::nearbyint(value));
}

}  // namespace trivane
