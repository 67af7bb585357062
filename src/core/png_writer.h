#pragma once

#include <cstddef>
#include <cstdint>

namespace trivane {

// Writes the 800 x 600 colour buffer (blue, green, red bytes, row 0 at the
// bottom) to `path` as an 8-bit RGB PNG the right way up: framebuffer row 599
// becomes the first line of the image. The image data is stored, not
// compressed. Returns false when the file cannot be written completely.
bool writeFramePng(const char* path, const uint8_t* frameBits);

// The checksums a PNG needs, exposed for the tools that reuse them.
uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t length);
uint32_t adler32Update(uint32_t adler, const uint8_t* data, size_t length);

}  // namespace trivane
