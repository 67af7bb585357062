#pragma once

#include <cstdint>

#include "core/clock.h"
#include "core/input_state.h"
#include "math/camera_state.h"
#include "raster/light_state.h"

namespace trivane {

// One line of the text display: its top-left position (y grows downwards) and
// its text, formatted into a bounded buffer.
struct TextLine {
    int32_t x = 0;
    int32_t y = 0;
    int32_t length = 0;
    char text[192] = {};
};

constexpr int kWindowLineCount = 8;    // beside the picture, at x = 810
constexpr int kPictureLineCount = 12;  // inside the picture

// Beside the picture, from x = left (810 beside the classic picture): the
// help lines, the camera mode and the camera values.
void formatWindowLines(const CameraState& camera, int32_t left, TextLine (&lines)[kWindowLineCount]);
// Inside a picture `pictureWidth` pixels wide: the help lines, the move mode
// and the light and material colours at the left, the frame rate at the top
// right.
void formatPictureLines(const InputState& input, const LightState& lighting, const FrameClock& clock,
                        int32_t pictureWidth, TextLine (&lines)[kPictureLineCount]);

// Whether two lines show the same: the same place and the same characters
// within their length (what lies after them in the buffer is never shown).
bool sameText(const TextLine& a, const TextLine& b);

}  // namespace trivane
