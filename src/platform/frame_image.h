#pragma once

#include <cstdint>

#include <QImage>
#include <QPoint>
#include <QRect>

#include "raster/frame_layout.h"

namespace trivane {

// Copies the part `area` of a picture's framebuffer (row 0 at the bottom,
// bytes blue, green, red) into a 32-bit image as a person sees it, `area`
// counted from the picture's top-left corner, its first pixel landing at
// `at`: turned right way up and converted in one pass, alpha opaque. The image
// may be RGB32, ARGB32 or ARGB32_Premultiplied, which hold the same bytes for
// opaque pixels. Writes nothing and returns false if the image has another
// format, or `area` leaves the picture or does not fit at `at`.
bool copyFrameToImage(const FramePixels& picture, QImage& image, const QRect& area, QPoint at);

}  // namespace trivane
