#pragma once

#include <vector>

#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>

#include "raster/frame_layout.h"
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
// (10, 10) starts in row 589 of an 800 x 600 framebuffer. Qt's default font,
// without antialiasing: every pixel of a cell is pure black or pure white.
// Cells are cut at the picture's edges. Needs a QGuiApplication; does nothing
// without a picture.
void drawTextLines(const FramePixels& picture, const TextLine* lines, int count);

// drawTextLines for a caller that draws a list every frame. Each line's
// finished cell is kept; a line that reads the same, at the same place, as at
// its index last time is copied in from memory rather than laid out and
// rasterised again. Every line is still copied on every call, as the
// framebuffer is drawn anew each frame. A change of the default font starts
// afresh.
class TextLineCells {
public:
    void draw(const FramePixels& picture, const TextLine* lines, int count);

private:
    struct Cell {
        bool painted = false;
        TextLine line;
        QRect area;                   // within the picture, y down; may be empty
        std::vector<uint8_t> pixels;  // the area's rows top-down, in framebuffer byte order
    };
    void paint(const TextLine& line, Cell& cell);

    QFont font_;
    QSize size_;
    std::vector<Cell> cells_;
};

// The window lines beside the picture, drawn onto the window's surface: the
// same look as the picture lines, each on a white cell reaching to the
// surface's right edge. Blanks at the end of a line are narrower than the
// digits they replace, and a cell only as wide as the text left the end of a
// longer earlier line standing. A line that reads as last time is not drawn
// again.
class WindowLinePainter {
public:
    // Draws the lines that changed (and every one after the first of them,
    // keeping the table's order where cells overlap); returns the area drawn.
    QRect draw(QImage& surface, const TextLine* lines, int count);
    // The surface was made anew: every line is drawn again.
    void forget() { drawn_ = false; }

private:
    std::vector<TextLine> last_;
    bool drawn_ = false;
};

}  // namespace trivane
