#pragma once

#include <cstdint>

namespace trivane {

// Writes the 800 x 600 colour buffer (blue, green, red bytes, row 0 at the
// bottom) to `path` as an 8-bit RGB PNG the right way up: framebuffer row 599
// becomes the first line of the image. The data is compressed by libpng at a
// fixed level with a fixed filter choice, so the same frame always gives the
// same bytes. Returns false when the file cannot be written completely.
bool writeFramePng(const char* path, const uint8_t* frameBits);

}  // namespace trivane
