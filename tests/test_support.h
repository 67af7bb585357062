#pragma once

#include <memory>

#include "core/renderer.h"

namespace trivane::test {

// The Renderer is several megabytes: tests keep theirs on the heap.
inline std::unique_ptr<Renderer> makeRenderer() { return std::make_unique<Renderer>(); }

// A renderer with its 800 x 600 framebuffer, as at window creation.
inline std::unique_ptr<Renderer> makeRendererWithFrame() {
    auto r = makeRenderer();
    r->createFrameBitmap(kFrameWidth, kFrameHeight);
    return r;
}

}  // namespace trivane::test
