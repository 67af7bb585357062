#include "core/renderer.h"

namespace trivane {

Renderer::Renderer() : counter(monotonicCounter()) {
    // Everything else starts as zero, identity or an empty mesh by its member
    // initialisers, as a record of static storage would.
    const Rgb ambient{0.2f, 0.2f, 0.2f};
    const Rgb one{1.0f, 1.0f, 1.0f};
    defaultMaterial = LightingTerms{ambient, one, one};
}

// Mesh and material arrays are released with their vectors here; the program's
// own Renderer lives until exit, so this only matters to tests.
Renderer::~Renderer() = default;

void Renderer::createFrameBitmap(int32_t width, int32_t height) {
    frameWidth = width;
    frameHeight = height;
    frameStride = (width * 3 + 3) & ~3;
    frameBits = (width == kFrameWidth && height == kFrameHeight) ? frameStorage : nullptr;
}

void Renderer::endOfFrame() {
    const int64_t now = counter.read();
    const double elapsed = static_cast<double>(now - lastCounter) / static_cast<double>(perfFrequency);
    lastCounter = now;
    fps = static_cast<float>(1.0 / elapsed);
    if (animating) {
        meshes[0].rotation.y += 2.0f;
        dirty = 1;
    } else {
        dirty = 0;
    }
}

}  // namespace trivane
