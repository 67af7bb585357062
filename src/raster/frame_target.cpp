#include "raster/frame_target.h"

#include "raster/fills.h"

namespace trivane {

void FrameTarget::createFrameBitmap(int32_t width, int32_t height) {
    frameWidth = width;
    frameHeight = height;
    frameStride = (width * 3 + 3) & ~3;
    frameBits = (width == kFrameWidth && height == kFrameHeight) ? frameStorage : nullptr;
}

raster::FrameBand FrameTarget::wholeFrame() {
    raster::FrameBand band;
    band.colour = frameBits;
    band.depth = zBuffer;
    return band;
}

void FrameTarget::keepLastColour(const raster::FrameBand& band) {
    if (!band.hasLast) return;
    for (int k = 0; k < 3; ++k) drawColor[k] = band.lastRgb[k];
}

void FrameTarget::drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    raster::FrameBand band = wholeFrame();
    raster::drawLine(band, x0, y0, x1, y1, drawColor);
}

void FrameTarget::drawGouraudTriangle(Vertex a, Vertex b, Vertex c, int32_t /*faceIndex*/) {
    raster::FrameBand band = wholeFrame();
    raster::drawGouraud(band, a, b, c);
    keepLastColour(band);
}

void FrameTarget::fillGouraudApexFirst(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillGouraudHalf(band, left, right, apex, true);
    keepLastColour(band);
}

void FrameTarget::fillGouraudApexLast(Vertex left, Vertex right, Vertex apex) {
    raster::FrameBand band = wholeFrame();
    raster::fillGouraudHalf(band, left, right, apex, false);
    keepLastColour(band);
}

}  // namespace trivane
