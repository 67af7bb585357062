#include "platform/frame_image.h"

#include <bit>
#include <cstring>

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
        // Four bytes from a pixel's start are blue, green, red and the next
        // pixel's blue: on a little-endian machine that is 0x??RRGGBB, and the
        // opaque alpha replaces the stray byte. The last pixel of a row is
        // read byte by byte so that nothing past the framebuffer is touched.
        int32_t x = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; x < kFrameWidth - 1; ++x) {
                uint32_t word;
                std::memcpy(&word, source + 3 * x, sizeof word);
                target[x] = 0xff000000u | word;
            }
        }
        for (; x < kFrameWidth; ++x) {
            const uint8_t* pixel = source + 3 * x;
            target[x] = 0xff000000u | (uint32_t{pixel[2]} << 16) | (uint32_t{pixel[1]} << 8) | pixel[0];
        }
    }
}

}  // namespace trivane
