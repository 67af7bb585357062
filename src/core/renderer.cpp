#include "core/renderer.h"

#include "raster/fills.h"

namespace trivane {

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

void Renderer::drawTexturedTriangle(Vertex a, Vertex b, Vertex c, int32_t /*faceIndex*/) {
    raster::FrameBand band = wholeFrame();
    raster::drawTextured(band, sceneTexels(*this), fixTextureSeam != 0, a, b, c);
    keepLastColour(band);
}

void Renderer::fillTexturedApexFirst(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillTexturedHalf(band, sceneTexels(*this), left, right, apex, true);
    keepLastColour(band);
}

void Renderer::fillTexturedApexLast(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillTexturedHalf(band, sceneTexels(*this), left, right, apex, false);
    keepLastColour(band);
}

}  // namespace trivane
