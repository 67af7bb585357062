#include "platform/frame_image.h"

#include <bit>
#include <cstring>

#include "raster/frame_layout.h"

namespace trivane {

void copyFrameToImage(const uint8_t* frameBits, QImage& image) {
    if (frameBits == nullptr || image.format() != QImage::Format_RGB32 ||
        image.width() < kFrameWidth || image.height() < kFrameHeight) {
        return;
    }
    for (int32_t top = 0; top < kFrameHeight; ++top) {
        const uint8_t* source = frameRowFromTop(frameBits, top);
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
            target[x] = qRgb(redOf(pixel), greenOf(pixel), blueOf(pixel));
        }
    }
}

}  // namespace trivane
