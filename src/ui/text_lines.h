#pragma once

#include <cstdint>

namespace trivane {

class Renderer;

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

void formatWindowLines(const Renderer& renderer, TextLine (&lines)[kWindowLineCount]);
void formatPictureLines(const Renderer& renderer, TextLine (&lines)[kPictureLineCount]);

}  // namespace trivane
