#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "math/numeric.h"
#include "raster/lighting.h"

namespace trivane {

namespace {

Vertex difference(const Vertex& to, const Vertex& from) {
    Vertex d;
    d.x = static_cast<float>(static_cast<double>(to.x) - from.x);
    d.y = static_cast<float>(static_cast<double>(to.y) - from.y);
    d.z = static_cast<float>(static_cast<double>(to.z) - from.z);
    return d;
}

float clampChannel(float c) {
    if (c > 1.0f) return 1.0f;
    if (c < 0.0f) return 0.0f;
    return c;
}

}  // namespace

namespace raster {

float ColourTerms::channel(int k, double e) const {
    const double c = base[k] + e * specLight[k] * specMat[k];
    return clampChannel(static_cast<float>(c));
}

bool ColourTerms::sameColour(double e1, double e2) const {
    for (int k = 0; k < 3; ++k) {
        const float c1 = channel(k, e1), c2 = channel(k, e2);
        // Bitwise, so that NaN and signed zeros are told apart as well.
        uint32_t b1, b2;
        std::memcpy(&b1, &c1, 4);
        std::memcpy(&b2, &c2, 4);
        if (b1 != b2) return false;
    }
    return true;
}

namespace {

// Bounds of 1.0 x s^m as the rounded products can leave it after m more steps
// from e: each step is within a factor (1 +- 2^-53) of the exact one while the
// values are normal; the margins cover log and exp as well. For s < 1 the
// products never rise, and once subnormal never leave that range.
struct Bracket {
    double low;
    double high;
};

Bracket remainingProducts(double e, float s, int32_t m) {
    const double logS = std::log(static_cast<double>(s));
    const double slack = 1e-9 * (1.0 + std::fabs(m * logS));
    const double up = m * (logS + 0x1p-50) + slack;
    const double down = m * (logS - 0x1p-50) - slack;
    Bracket b;
    b.high = up > 709.0 ? std::numeric_limits<double>::infinity() : e * std::exp(up);
    b.low = down < -745.0 ? 0.0 : e * std::exp(down);
    if (s < 1.0f) {
        if (b.high < 0x1p-1021) b.high = 0x1p-1021;
        if (b.high > e) b.high = e;
        // Above one half a product never rounds down to zero: the smallest
        // subnormal times s rounds back to itself.
        const double floor = s > 0.5f ? std::numeric_limits<double>::denorm_min() : 0.0;
        if (b.low < 0x1p-1020) b.low = floor;
    } else if (b.low < e) {
        b.low = e;
    }
    return b;
}

}  // namespace

// s multiplied into 1.0 exactly `times` times, each product rounded to double,
// without walking billions of steps for a huge exponent. The products move
// monotonically and the clamped colour is a monotone function of the factor,
// so once both ends of the range the remaining products can reach give the
// same colour, every product in between gives it too. Ordinary exponents
// (up to a few thousand) run the plain loop untouched.
double specularPower(float s, int32_t times, const ColourTerms& terms) {
    constexpr int32_t kCheckEvery = kPlainPowerLimit;
    double e = 1.0;
    for (int32_t i = 0; i < times; ++i) {
        if (i % kCheckEvery == 0 && times - i > kCheckEvery && s != 1.0f && s > 0.0f) {
            const Bracket b = remainingProducts(e, s, times - i);
            if (terms.sameColour(b.low, b.high)) return b.low;
        }
        const double next = e * s;
        // Once a product stops changing, no later one changes either.
        if (next == e) break;
        e = next;
    }
    return e;
}

namespace {

// Vertices lit together: their exponent is the same (one material per mesh),
// so the powers can be taken side by side, which the compiler vectorises.
constexpr int32_t kBatch = 16;

}  // namespace

void lightVertices(const LightingSetup& setup, const Vertex* positions, const Vertex* normals, int32_t count,
                   Vertex* out) {
    const LightingTerms& light = setup.light;
    const LightingTerms& material = setup.material;
    const float la[3] = {light.ambient.r, light.ambient.g, light.ambient.b};
    const float ld[3] = {light.diffuse.r, light.diffuse.g, light.diffuse.b};
    const float ma[3] = {material.ambient.r, material.ambient.g, material.ambient.b};
    const float md[3] = {material.diffuse.r, material.diffuse.g, material.diffuse.b};
    ColourTerms terms[kBatch];
    float base[kBatch];  // float values stay in a float array (see alongEdge)
    double power[kBatch];

    for (int32_t first = 0; first < count; first += kBatch) {
        const int32_t n = count - first < kBatch ? count - first : kBatch;
        for (int32_t j = 0; j < n; ++j) {
            const Vertex& p = positions[first + j];
            const Vertex& normal = normals[first + j];
            Vertex toLight = difference(setup.lightPosition, p);
            toLight.normalize();
            // The stored camera position is a world-space point used as if it
            // were in camera space; the highlight depends on that.
            Vertex toViewer = difference(setup.viewerPosition, p);
            toViewer.normalize();
            Vertex halfway;
            halfway.x = static_cast<float>(static_cast<double>(toLight.x) + toViewer.x);
            halfway.y = static_cast<float>(static_cast<double>(toLight.y) + toViewer.y);
            halfway.z = static_cast<float>(static_cast<double>(toLight.z) + toViewer.z);
            halfway.normalize();

            double diffuse = dot3(normal, toLight);
            if (!(diffuse > 0.0)) diffuse = 0.0;
            double specBase = dot3(normal, halfway);
            if (!(specBase > 0.0)) specBase = 0.0;
            if (diffuse == 0.0) specBase = 0.0;

            terms[j] = ColourTerms{{0, 0, 0},
                                   {light.specular.r, light.specular.g, light.specular.b},
                                   {material.specular.r, material.specular.g, material.specular.b}};
            for (int k = 0; k < 3; ++k)
                terms[j].base[k] = static_cast<double>(la[k]) * ma[k] + diffuse * ld[k] * md[k];
            base[j] = static_cast<float>(specBase);
        }
        for (int32_t j = n; j < kBatch; ++j) base[j] = 0.0f;
        if (setup.shininess <= kPlainPowerLimit) {
            // The plain product: once a product stops changing it stays, so
            // running on past that point gives what stopping there gives.
            for (int32_t j = 0; j < kBatch; ++j) power[j] = 1.0;
            for (int32_t i = 0; i < setup.shininess; ++i)
                for (int32_t j = 0; j < kBatch; ++j) power[j] *= base[j];
        } else {
            for (int32_t j = 0; j < n; ++j)
                power[j] = specularPower(base[j], setup.shininess, terms[j]);
        }
        for (int32_t j = 0; j < n; ++j) {
            Vertex& v = out[first + j];
            v.r = terms[j].channel(0, power[j]);
            v.g = terms[j].channel(1, power[j]);
            v.b = terms[j].channel(2, power[j]);
        }
    }
}

}  // namespace raster

}  // namespace trivane
