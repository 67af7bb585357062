#include "core/renderer.h"

#include "raster/fills.h"

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

raster::FrameBand Renderer::wholeFrame() {
    raster::FrameBand band;
    band.colour = frameBits;
    band.depth = zBuffer;
    return band;
}

void Renderer::keepLastColour(const raster::FrameBand& band) {
    if (!band.hasLast) return;
    for (int k = 0; k < 3; ++k) drawColor[k] = band.lastRgb[k];
}

void Renderer::drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    raster::FrameBand band = wholeFrame();
    raster::drawLine(band, x0, y0, x1, y1, drawColor);
}

void Renderer::drawGouraudTriangle(Vertex a, Vertex b, Vertex c, int32_t /*faceIndex*/) {
    raster::FrameBand band = wholeFrame();
    raster::drawGouraud(band, a, b, c);
    keepLastColour(band);
}

void Renderer::fillGouraudApexFirst(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillGouraudHalf(band, left, right, apex, true);
    keepLastColour(band);
}

void Renderer::fillGouraudApexLast(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillGouraudHalf(band, left, right, apex, false);
    keepLastColour(band);
}

raster::TexelSource Renderer::texels() const {
    return raster::texelSource(textureFile, texturePixels, textureWidth, textureMaxY, textureStride);
}

void Renderer::drawTexturedTriangle(Vertex a, Vertex b, Vertex c, int32_t /*faceIndex*/) {
    raster::FrameBand band = wholeFrame();
    raster::drawTextured(band, texels(), fixTextureSeam != 0, a, b, c);
    keepLastColour(band);
}

void Renderer::fillTexturedApexFirst(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillTexturedHalf(band, texels(), left, right, apex, true);
    keepLastColour(band);
}

void Renderer::fillTexturedApexLast(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillTexturedHalf(band, texels(), left, right, apex, false);
    keepLastColour(band);
}

}  // namespace trivane
