#include "raster/frame_target.h"

namespace trivane {

void createFrameBitmap(FrameTarget& target, int32_t width, int32_t height) {
    target.frameWidth = width;
    target.frameHeight = height;
    target.frameStride = (width * 3 + 3) & ~3;
    target.frameBits = (width == kFrameWidth && height == kFrameHeight) ? target.frameStorage : nullptr;
}

raster::FrameBand wholeFrame(FrameTarget& target) {
    raster::FrameBand band;
    band.colour = target.frameBits;
    band.depth = target.zBuffer;
    return band;
}

}  // namespace trivane
