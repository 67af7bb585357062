#pragma once

#include <cstdint>

namespace trivane {

// Keys, buttons and drags as the handlers left them, and whether the next
// frame must transform again.
struct InputState {
    int32_t dragStartY = 0;
    int32_t lastMouseX = 0, lastMouseY = 0;
    uint8_t keyHeld = 0;
    uint8_t mouseDragging = 0;
    uint8_t rightButtonDown = 0;
    uint8_t leftButtonDown = 0;
    uint8_t moveModel = 0;  // the arrows move the model (1) or the light (0)
    uint8_t dirty = 0;
};

}  // namespace trivane
