#pragma once

#include <functional>
#include <set>

#include <QImage>
#include <QWidget>

namespace trivane {

class InputRecorder;
class Session;

// Widths of the window's parts, in the widget's units (picture pixels).
constexpr int kSurfaceWidth = 2400;  // wide enough for window lines holding values of any magnitude

// The client area below the menu bar: the 800 x 600 picture at (0, 0) and the
// window lines from x = 810. The surface keeps what was drawn beside the
// picture, as a window's surface does: each line is drawn over the previous
// frame's line on a cell cleared to the surface's right edge. The picture is
// the framebuffer, which holds the last frame until the next one is
// presented; until the first, it is the surface's white. Positions are in
// the widget's units, which are picture pixels: on a screen of higher pixel
// density (QT_SCALE_FACTOR=2) each picture pixel is shown as a block of
// screen pixels, mouse positions arrive in picture pixels, and the surface
// holds the screen's pixels so that the window lines are drawn at full
// resolution.
class ClientArea : public QWidget {
    Q_OBJECT
public:
    ClientArea(Session& session, InputRecorder& recorder, QWidget* parent);
    QImage& surface() { return surface_; }
    const QImage& surface() const { return surface_; }
    void showPicture() { pictureShown_ = true; }
    // Picture pixels to a unit of the widget: 1 for the classic picture (at a
    // higher pixel density each picture pixel is a block of screen pixels),
    // the screen's density for a picture that fits the window.
    void setPictureDensity(qreal density) { pictureDensity_ = density; }
    // Where the picture lies, in the widget's units.
    QRect pictureArea() const;
    // Makes the surface match the screen's pixel density; true when it was
    // made anew (then white).
    bool matchSurfaceToScreen();
    // Keys that are shortcuts of menu items (Qt key codes). Their presses go
    // to the menu; their releases must not reach the key handlers either.
    void setShortcutKeys(std::set<int> keys) { shortcutKeys_ = std::move(keys); }
    // Told after every key, button and wheel event and every move during a
    // drag: input that can change the next frame.
    std::function<void()> inputArrived;
    // Told when the widget's size changed.
    std::function<void()> resized;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void paintPicture(QPainter& painter, const QRegion& picture);
    // A position in the widget's units as the handlers take it: picture pixels.
    int32_t pictureCoordinate(double value) const;

    Session& session_;
    InputRecorder& recorder_;
    QImage surface_;
    QImage picture_;  // the picture converted, where it cannot go straight to the screen
    bool pictureShown_ = false;
    qreal pictureDensity_ = 1.0;
    std::set<int> shortcutKeys_;
    std::set<int> shortcutKeysPressedHere_;  // pressed without their modifiers, so not a shortcut
};

}  // namespace trivane
