#include <cmath>
#include <cstdint>
#include <limits>

#include "core/renderer.h"
#include "math/numeric.h"

namespace trivane {

namespace {

double dot3(const Vertex& a, const Vertex& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
           static_cast<double>(a.z) * b.z;
}

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

// The three colour products of one vertex; only the specular factor varies
// while the power is being taken.
struct ColourTerms {
    double base[3];      // ambient product + diffuse product
    float specLight[3];  // light.specular
    float specMat[3];    // material.specular

    float channel(int k, double e) const {
        const double c = base[k] + e * specLight[k] * specMat[k];
        return clampChannel(static_cast<float>(c));
    }
    bool sameColour(double e1, double e2) const {
        for (int k = 0; k < 3; ++k) {
            const float c1 = channel(k, e1), c2 = channel(k, e2);
            // Bitwise, so that NaN and signed zeros are told apart as well.
            uint32_t b1, b2;
            __builtin_memcpy(&b1, &c1, 4);
            __builtin_memcpy(&b2, &c2, 4);
            if (b1 != b2) return false;
        }
        return true;
    }
};

// s multiplied into 1.0 exactly `times` times, each product rounded to double,
// but without walking billions of steps for a huge exponent. Two shortcuts,
// both giving the plain loop's colour:
//  - once a product no longer changes, no later one does;
//  - the products move monotonically (down for s < 1, up for s > 1), and the
//    clamped colour is a monotone function of the factor, so once the colour
//    at the current product equals the colour at the bound the sequence can
//    never pass, every later product gives that same colour. The bound is
//    checked only every few thousand steps, so ordinary exponents run the
//    plain loop untouched.
double specularPower(float s, int32_t times, const ColourTerms& terms) {
    double e = 1.0;
    if (times <= 0) return e;
    constexpr int32_t kCheckEvery = 4096;
    double bound = 0.0;
    if (s > 1.0f) {
        // Each step multiplies by at most s(1 + 2^-53); add a generous margin.
        const double logBound = static_cast<double>(times) *
                                    (std::log(static_cast<double>(s)) * (1.0 + 1e-9) + 0x1p-52) +
                                1.0;
        bound = logBound < 700.0 ? std::exp(logBound) : std::numeric_limits<double>::infinity();
    } else if (s > 0.5f) {
        // Above one half the product never rounds down to zero: the smallest
        // subnormal times s rounds back to itself.
        bound = std::numeric_limits<double>::denorm_min();
    }
    for (int32_t i = 0; i < times; ++i) {
        const double next = e * s;
        if (next == e) break;
        e = next;
        if ((i + 1) % kCheckEvery == 0 && terms.sameColour(e, bound)) break;
    }
    return e;
}

}  // namespace

void Renderer::lightVertex(int32_t meshIndex, int32_t vertexIndex, Vertex normal,
                           int32_t materialIndex) {
    if (meshIndex < 0 || meshIndex >= kMaxMeshes) return;
    Mesh& mesh = meshes[meshIndex];
    if (vertexIndex < 0 || static_cast<size_t>(vertexIndex) >= mesh.vertices.size() ||
        static_cast<size_t>(vertexIndex) >= mesh.transformed.size())
        return;

    // A material number the table does not have is lit as if there were no
    // table at all.
    int32_t shininess;
    const bool fromTable = materialCount > 0 && materialIndex >= 0 && materialIndex < materialCount &&
                           static_cast<size_t>(materialIndex) < materials.size() &&
                           static_cast<size_t>(materialIndex) < materialShine.size();
    if (fromTable) {
        material = materials[materialIndex];
        shininess = truncToInt32(materialShine[materialIndex]);
        materialSource = materialIndex;
    } else {
        material = defaultMaterial;
        shininess = 128;
        materialSource = -1;
    }

    const Vertex p = mesh.vertices[vertexIndex].transformedBy(frameTransform);
    Vertex toLight = difference(lightPosition, p);
    toLight.normalize();
    // The stored camera position is a world-space point used as if it were in
    // camera space; the highlight depends on that.
    Vertex toViewer = difference(cameraPosition, p);
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

    const float la[3] = {light.ambient.r, light.ambient.g, light.ambient.b};
    const float ld[3] = {light.diffuse.r, light.diffuse.g, light.diffuse.b};
    const float ma[3] = {material.ambient.r, material.ambient.g, material.ambient.b};
    const float md[3] = {material.diffuse.r, material.diffuse.g, material.diffuse.b};
    ColourTerms terms{{0, 0, 0},
                      {light.specular.r, light.specular.g, light.specular.b},
                      {material.specular.r, material.specular.g, material.specular.b}};
    for (int k = 0; k < 3; ++k)
        terms.base[k] = static_cast<double>(la[k]) * ma[k] + diffuse * ld[k] * md[k];

    const double specular = specularPower(static_cast<float>(specBase), shininess, terms);

    Vertex& out = mesh.transformed[vertexIndex];
    out.r = terms.channel(0, specular);
    out.g = terms.channel(1, specular);
    out.b = terms.channel(2, specular);
}

}  // namespace trivane
