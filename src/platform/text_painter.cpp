#include "platform/text_painter.h"

#include <algorithm>

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include "raster/frame_layout.h"

// LeakSanitizer asks for this when it starts (only in sanitizer builds; it is
// dead code otherwise). Fontconfig, which Qt's font database starts, keeps its
// configuration for the life of the process and is never finalised; without
// this every run that draws text would be reported. Our own allocations are
// still checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace trivane {

QGuiApplication* ensureGuiApplication(bool forceOffscreen) {
    if (QCoreApplication* existing = QCoreApplication::instance())
        return qobject_cast<QGuiApplication*>(existing);
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if ((forceOffscreen || noDisplay) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps references to argc and argv for the application's lifetime.
    static int argc = 1;
    static char name[] = "trivane";
    static char* argv[] = {name, nullptr};
    // Deliberately never destroyed: tearing Qt down from a static destructor
    // races its own statics, and the process is ending anyway.
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    return application;
}

namespace {

// The cells are painted here top-down, then copied into the bottom-up
// framebuffer; drawing straight into it through a flipping transform would
// send the glyphs down Qt's transformed-text path and change their shapes.
QImage& scratch() {
    static QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
    return image;
}

void copyCell(const QImage& from, const QRect& cell, uint8_t* frameBits) {
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(from.constScanLine(y));
        uint8_t* row = frameRowFromTop(frameBits, y);
        for (int x = cell.left(); x <= cell.right(); ++x) {
            // Whatever the font engine does, a pixel ends up black or white.
            const uint8_t v = qGray(source[x]) < 128 ? 0 : 255;
            storeRgb(row + 3 * x, v, v, v);
        }
    }
}

}  // namespace

void drawTextLines(Renderer& renderer, const TextLine* lines, int count) {
    if (renderer.frameBits == nullptr || count <= 0) return;
    QImage& image = scratch();
    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font, &image);
    const QRect picture(0, 0, kFrameWidth, kFrameHeight);
    for (int i = 0; i < count; ++i) {
        const TextLine& line = lines[i];
        const int length = std::clamp<int>(line.length, 0, static_cast<int>(sizeof line.text));
        const QString text = QString::fromLatin1(line.text, length);
        const QRect cell = QRect(line.x, line.y, metrics.horizontalAdvance(text), metrics.height()) & picture;
        if (cell.isEmpty()) continue;
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.fillRect(cell, Qt::white);
            painter.setClipRect(cell);
            painter.drawText(QPoint(line.x, line.y + metrics.ascent()), text);
        }
        // Line by line, so that where cells overlap the later one wins.
        copyCell(image, cell, renderer.frameBits);
    }
}

}  // namespace trivane
