#include "platform/frame_image.h"

#include <cstddef>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TRIVANE_SSSE3_COPY 1
#endif

#include "raster/frame_layout.h"

namespace trivane {

namespace {

QRgb* imageRow(uchar* bits, qsizetype bytesPerLine, int32_t top) {
    return reinterpret_cast<QRgb*>(bits + top * bytesPerLine);
}

void convertPixels(const uint8_t* source, QRgb* target, int32_t from) {
    for (int32_t x = from; x < kFrameWidth; ++x) {
        const uint8_t* pixel = source + 3 * x;
        target[x] = qRgb(redOf(pixel), greenOf(pixel), blueOf(pixel));
    }
}

#ifdef TRIVANE_SSSE3_COPY
// Where a pixel keeps each channel, read off the layout itself.
constexpr uint8_t kProbe[3] = {0, 1, 2};
constexpr char kRedAt = static_cast<char>(redOf(kProbe));
constexpr char kGreenAt = static_cast<char>(greenOf(kProbe));
constexpr char kBlueAt = static_cast<char>(blueOf(kProbe));

// Sixteen pixels (48 bytes) a step. A byte shuffle spreads four pixels of a
// 16-byte load into four words 0x00RRGGBB (x86 is little-endian, so that is
// blue, green, red, zero in memory) and the opaque alpha is or'ed in. A row is
// exactly 50 steps, so the loads never reach past it.
__attribute__((target("ssse3"))) void copyRowsSsse3(const uint8_t* frameBits, uchar* bits, qsizetype bytesPerLine) {
    const __m128i spread = _mm_setr_epi8(kBlueAt, kGreenAt, kRedAt, -1, 3 + kBlueAt, 3 + kGreenAt, 3 + kRedAt, -1,
                                         6 + kBlueAt, 6 + kGreenAt, 6 + kRedAt, -1, 9 + kBlueAt, 9 + kGreenAt,
                                         9 + kRedAt, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (int32_t top = 0; top < kFrameHeight; ++top) {
        const uint8_t* source = frameRowFromTop(frameBits, top);
        QRgb* target = imageRow(bits, bytesPerLine, top);
        int32_t x = 0;
        for (; x + 16 <= kFrameWidth; x += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * x + 16));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * x + 32));
            const __m128i p0 = _mm_shuffle_epi8(a, spread);
            const __m128i p1 = _mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread);
            const __m128i p2 = _mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread);
            const __m128i p3 = _mm_shuffle_epi8(_mm_srli_si128(c, 4), spread);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x), _mm_or_si128(p0, opaque));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x + 4), _mm_or_si128(p1, opaque));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x + 8), _mm_or_si128(p2, opaque));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x + 12), _mm_or_si128(p3, opaque));
        }
        convertPixels(source, target, x);
    }
}
#endif

}  // namespace

void copyFrameToImage(const uint8_t* frameBits, QImage& image) {
    if (frameBits == nullptr || image.format() != QImage::Format_RGB32 ||
        image.width() < kFrameWidth || image.height() < kFrameHeight) {
        return;
    }
    uchar* bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
#ifdef TRIVANE_SSSE3_COPY
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        copyRowsSsse3(frameBits, bits, bytesPerLine);
        return;
    }
#endif
    for (int32_t top = 0; top < kFrameHeight; ++top) {
        convertPixels(frameRowFromTop(frameBits, top), imageRow(bits, bytesPerLine, top), 0);
    }
}

}  // namespace trivane
