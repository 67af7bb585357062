#pragma once

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

}  // namespace trivane
