#pragma once

#include <vector>

#include <QFont>
#include <QRect>

#include "core/renderer.h"
#include "ui/text_lines.h"

class QGuiApplication;

namespace trivane {

// Makes sure a QGuiApplication exists (fonts need one) and returns it. When
// none exists yet one is created that lives until the process ends, on the
// "offscreen" platform if forceOffscreen is set or there is no display
// (neither DISPLAY nor WAYLAND_DISPLAY); an explicit QT_QPA_PLATFORM wins.
// Returns nullptr if only a plain QCoreApplication exists.
QGuiApplication* ensureGuiApplication(bool forceOffscreen = false);

// Draws text lines into the framebuffer as the classic text output did:
// black text on an opaque white cell whose top-left corner is at the line's
// (x, y), y counted downwards from the top of the picture; so a line at
// (10, 10) starts in framebuffer row 589. Qt's default font, without
// antialiasing: every pixel of a cell is pure black or pure white. Needs a
// QGuiApplication; does nothing without a framebuffer.
void drawTextLines(Renderer& renderer, const TextLine* lines, int count);

// drawTextLines for a caller that draws a list every frame. Each line's
// finished cell is kept; a line that reads the same, at the same place, as at
// its index last time is copied in from memory rather than laid out and
// rasterised again. Every line is still copied on every call, as the
// framebuffer is drawn anew each frame. A change of the default font starts
// afresh.
class TextLineCells {
public:
    void draw(Renderer& renderer, const TextLine* lines, int count);

private:
    struct Cell {
        bool painted = false;
        TextLine line;
        QRect area;                   // within the picture, y down; may be empty
        std::vector<uint8_t> pixels;  // the area's rows top-down, in framebuffer byte order
    };
    void paint(const TextLine& line, Cell& cell);

    QFont font_;
    std::vector<Cell> cells_;
};

}  // namespace trivane
