// The copy of the framebuffer to a screen image: any part of the picture, to
// any place in the image, and nothing written where it does not fit.
#include <gtest/gtest.h>

#include <vector>

#include <QImage>

#include "platform/frame_image.h"
#include "raster/frame_layout.h"

namespace trivane {
namespace {

std::vector<uint8_t> noisyFrame() {
    std::vector<uint8_t> frame(kFrameBytes);
    uint32_t state = 12345;
    for (uint8_t& byte : frame) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return frame;
}

// The classic picture over the frame's bytes.
FramePixels pixelsOf(std::vector<uint8_t>& frame) { return FramePixels{frame.data(), kFrameWidth, kFrameHeight, kFrameStride}; }

QRgb pictureAt(const std::vector<uint8_t>& frame, int x, int top) {
    const uint8_t* pixel = frame.data() + (599 - top) * 2400 + 3 * x;
    return qRgb(pixel[2], pixel[1], pixel[0]);
}

TEST(FrameImageTest, AnyPartLandsWhereAskedAndNothingElseChanges) {
    std::vector<uint8_t> frame = noisyFrame();
    const FramePixels pixels = pixelsOf(frame);
    const QRgb background = qRgb(1, 2, 3);
    // Odd places and widths that are no multiple of 16, and the whole picture.
    const QRect areas[] = {QRect(3, 5, 37, 11), QRect(781, 590, 19, 10), QRect(0, 0, 800, 600)};
    for (const QRect& area : areas) {
        QImage image(830, 640, QImage::Format_ARGB32_Premultiplied);
        image.fill(background);
        const QPoint at(30 - area.left() % 7, 40 - area.top() % 5);
        ASSERT_TRUE(copyFrameToImage(pixels, image, area, at));
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPoint source = QPoint(x, y) - at + area.topLeft();
                const bool inside = QRect(at, area.size()).contains(x, y);
                wrong += image.pixel(x, y) != (inside ? pictureAt(frame, source.x(), source.y()) : background);
            }
        }
        EXPECT_EQ(wrong, 0) << area.x() << "," << area.y();
    }
}

TEST(FrameImageTest, RefusesWhatItCannotWrite) {
    std::vector<uint8_t> frame = noisyFrame();
    const FramePixels pixels = pixelsOf(frame);
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QImage before = image;
    const QRect picture(0, 0, 800, 600);
    EXPECT_FALSE(copyFrameToImage(pixels, image, picture, QPoint(1, 0)));     // does not fit
    EXPECT_FALSE(copyFrameToImage(pixels, image, QRect(790, 0, 20, 5), {}));  // leaves the picture
    EXPECT_FALSE(copyFrameToImage(FramePixels{}, image, picture, {}));
    QImage narrow(800, 600, QImage::Format_RGB16);
    narrow.fill(Qt::white);
    const QImage narrowBefore = narrow;
    EXPECT_FALSE(copyFrameToImage(pixels, narrow, picture, {}));
    EXPECT_EQ(image, before);
    EXPECT_EQ(narrow, narrowBefore);
}

}  // namespace
}  // namespace trivane
