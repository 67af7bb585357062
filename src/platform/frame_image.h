#pragma once

#include <cstdint>

#include <QImage>

namespace trivane {

// Copies the 800 x 600 framebuffer (row 0 at the bottom, bytes blue, green,
// red) into the top-left corner of an RGB32 image as a person sees it: row
// 599 on top. The image must be at least 800 x 600 and RGB32; it is written
// in place, so presenting a frame allocates nothing.
void copyFrameToImage(const uint8_t* frameBits, QImage& image);

}  // namespace trivane
