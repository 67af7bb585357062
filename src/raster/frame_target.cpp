#include "raster/frame_target.h"

namespace trivane {

void createFrameBitmap(FrameTarget& target, int32_t width, int32_t height) {
    const bool exists = width >= kMinPictureSide && width <= kMaxPictureSide && height >= kMinPictureSide &&
                        height <= kMaxPictureSide;
    target.frameWidth = exists ? width : 0;
    target.frameHeight = exists ? height : 0;
    target.frameStride = exists ? strideOf(width) : 0;
    // Given back, not kept: a smaller picture should not hold a larger one's memory.
    std::vector<uint8_t>(exists ? static_cast<size_t>(target.frameStride) * height : 0).swap(target.frameStorage);
    std::vector<float>(exists ? static_cast<size_t>(width) * height : 0).swap(target.zBuffer);
    target.frameBits = exists ? target.frameStorage.data() : nullptr;
}

FramePixels pixelsOf(FrameTarget& target) {
    return FramePixels{target.frameBits, target.frameWidth, target.frameHeight, target.frameStride};
}

raster::FrameBand wholeFrame(FrameTarget& target) {
    raster::FrameBand band;
    band.colour = target.frameBits;
    band.depth = target.zBuffer.data();
    band.rowEnd = target.frameHeight;
    band.width = target.frameWidth;
    band.height = target.frameHeight;
    band.stride = target.frameStride;
    return band;
}

}  // namespace trivane
