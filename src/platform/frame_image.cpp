#include "platform/frame_image.h"

#include <cstddef>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TRIVANE_SSSE3_COPY 1
#endif

#include "raster/frame_layout.h"

namespace trivane {

namespace {

// `count` pixels of a framebuffer row from `source` on, into `target`.
using CopyPixels = void (*)(const uint8_t* source, int32_t count, QRgb* target);

void copyPixelsPlain(const uint8_t* source, int32_t count, QRgb* target) {
    for (int32_t x = 0; x < count; ++x) {
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
// blue, green, red, zero in memory) and the opaque alpha is or'ed in. The
// loads stay within the pixels asked for; what is left over goes one by one.
__attribute__((target("ssse3"))) void copyPixelsSsse3(const uint8_t* source, int32_t count, QRgb* target) {
    const __m128i spread = _mm_setr_epi8(kBlueAt, kGreenAt, kRedAt, -1, 3 + kBlueAt, 3 + kGreenAt, 3 + kRedAt, -1,
                                         6 + kBlueAt, 6 + kGreenAt, 6 + kRedAt, -1, 9 + kBlueAt, 9 + kGreenAt,
                                         9 + kRedAt, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    int32_t x = 0;
    for (; x + 16 <= count; x += 16) {
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
    copyPixelsPlain(source + 3 * x, count - x, target + x);
}
#endif

CopyPixels pickCopyPixels() {
#ifdef TRIVANE_SSSE3_COPY
    if (__builtin_cpu_supports("ssse3")) return copyPixelsSsse3;
#endif
    return copyPixelsPlain;
}

}  // namespace

bool copyFrameToImage(const FramePixels& picture, QImage& image, const QRect& area, QPoint at) {
    const QImage::Format format = image.format();
    const bool opaqueWords = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                             format == QImage::Format_ARGB32_Premultiplied;
    if (picture.bits == nullptr || !opaqueWords || area.isEmpty() ||
        !QRect(0, 0, picture.width, picture.height).contains(area) ||
        !image.rect().contains(QRect(at, area.size()))) {
        return false;
    }
    static const CopyPixels copyPixels = pickCopyPixels();
    uchar* bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    for (int32_t row = 0; row < area.height(); ++row) {
        const uint8_t* source = picture.rowFromTop(area.top() + row) + 3 * area.left();
        QRgb* target = reinterpret_cast<QRgb*>(bits + (at.y() + row) * bytesPerLine) + at.x();
        copyPixels(source, area.width(), target);
    }
    return true;
}

}  // namespace trivane
