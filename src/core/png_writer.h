#pragma once

#include <cstdint>
#include <string>

#include "raster/frame_layout.h"

namespace trivane {

// Writes a picture (blue, green, red bytes, row 0 at the bottom) to `path` as
// an 8-bit RGB PNG the right way up: the top row of the framebuffer becomes
// the first line of the image. The data is compressed by libpng at a fixed
// level with a fixed filter choice, so the same frame always gives the same
// bytes. The file replaces `path` only when complete (see AtomicFile).
// Returns empty on success, else why the file cannot be written.
std::string writeFramePng(const std::string& path, const FramePixels& picture);

}  // namespace trivane
