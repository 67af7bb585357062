#include "platform/text_painter.h"

#include <algorithm>
#include <cstring>

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
QImage& scratch(QSize size) {
    static QImage image;
    if (image.size() != size) image = QImage(size, QImage::Format_RGB32);
    return image;
}

int clampedLength(const TextLine& line) {
    return std::clamp<int>(line.length, 0, static_cast<int>(sizeof line.text));
}

}  // namespace

void TextLineCells::paint(const TextLine& line, Cell& cell) {
    QImage& image = scratch(size_);
    const QFontMetrics metrics(font_, &image);
    const QString text = QString::fromLatin1(line.text, clampedLength(line));
    cell.line = line;
    cell.area = QRect(line.x, line.y, metrics.horizontalAdvance(text), metrics.height()) & QRect(QPoint(0, 0), size_);
    cell.pixels.clear();
    if (cell.area.isEmpty()) return;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font_);
        painter.setPen(Qt::black);
        painter.fillRect(cell.area, Qt::white);
        painter.setClipRect(cell.area);
        painter.drawText(QPoint(line.x, line.y + metrics.ascent()), text);
    }
    cell.pixels.resize(static_cast<size_t>(3 * cell.area.width() * cell.area.height()));
    uint8_t* out = cell.pixels.data();
    for (int y = cell.area.top(); y <= cell.area.bottom(); ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = cell.area.left(); x <= cell.area.right(); ++x, out += 3) {
            // Whatever the font engine does, a pixel ends up black or white.
            const uint8_t v = qGray(source[x]) < 128 ? 0 : 255;
            storeRgb(out, v, v, v);
        }
    }
}

void TextLineCells::draw(const FramePixels& picture, const TextLine* lines, int count) {
    if (picture.bits == nullptr || count <= 0) return;
    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    const QSize size(picture.width, picture.height);
    if (font != font_ || size != size_) {
        font_ = font;
        size_ = size;
        cells_.clear();
    }
    if (cells_.size() < static_cast<size_t>(count)) cells_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Cell& cell = cells_[static_cast<size_t>(i)];
        if (!cell.painted || !sameText(cell.line, lines[i])) {
            paint(lines[i], cell);
            cell.painted = true;
        }
        if (cell.area.isEmpty()) continue;
        // Line by line, so that where cells overlap the later one wins.
        const size_t rowBytes = static_cast<size_t>(3 * cell.area.width());
        const uint8_t* source = cell.pixels.data();
        for (int y = cell.area.top(); y <= cell.area.bottom(); ++y, source += rowBytes) {
            std::memcpy(picture.rowFromTop(y) + 3 * cell.area.left(), source, rowBytes);
        }
    }
}

void drawTextLines(const FramePixels& picture, const TextLine* lines, int count) {
    TextLineCells cells;
    cells.draw(picture, lines, count);
}

QRect WindowLinePainter::draw(QImage& surface, const TextLine* lines, int count) {
    if (last_.size() != static_cast<size_t>(count)) {
        last_.assign(static_cast<size_t>(count), TextLine{});
        drawn_ = false;
    }
    int first = 0;
    while (first < count && drawn_ && sameText(lines[first], last_[static_cast<size_t>(first)])) ++first;
    QRect area;
    if (first == count) return area;

    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font, &surface);
    const int width = static_cast<int>(surface.width() / surface.devicePixelRatio());
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = first; i < count; ++i) {
        const TextLine& line = lines[i];
        const QRect cell(line.x, line.y, width - line.x, metrics.height());
        area |= cell;
        painter.fillRect(cell, Qt::white);
        painter.drawText(QPoint(line.x, line.y + metrics.ascent()),
                         QString::fromLatin1(line.text, clampedLength(line)));
        last_[static_cast<size_t>(i)] = line;
    }
    drawn_ = true;
    return area;
}

}  // namespace trivane
