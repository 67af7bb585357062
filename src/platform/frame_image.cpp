#include "platform/frame_image.h"

#include "core/renderer.h"

namespace trivane {

void copyFrameToImage(const uint8_t* frameBits, QImage& image) {
    if (frameBits == nullptr || image.format() != QImage::Format_RGB32 ||
        image.width() < kFrameWidth || image.height() < kFrameHeight) {
        return;
    }
    for (int32_t top = 0; top < kFrameHeight; ++top) {
        const uint8_t* source = frameBits + static_cast<size_t>(kFrameHeight - 1 - top) * kFrameStride;
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(top));
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const uint8_t* pixel = source + 3 * x;
            target[x] = 0xff000000u | (uint32_t{pixel[2]} << 16) | (uint32_t{pixel[1]} << 8) | pixel[0];
        }
    }
}

}  // namespace trivane
