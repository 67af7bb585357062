#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QImage>
#include <QMainWindow>
#include <QTimer>

#include "platform/text_painter.h"
#include "ui/event_script.h"
#include "ui/platform_services.h"
#include "ui/text_lines.h"

namespace trivane {

class Renderer;

// What presenting has cost so far, in nanoseconds summed over the frames.
struct PresentStats {
    int64_t frames = 0;
    int64_t renderNanos = 0;   // renderFrame alone
    int64_t presentNanos = 0;  // text lines, conversion and the copy to the screen
};

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
    ClientArea(Renderer& renderer, QWidget* parent);
    QImage& surface() { return surface_; }
    const QImage& surface() const { return surface_; }
    void showPicture() { pictureShown_ = true; }
    // Makes the surface match the screen's pixel density; true when it was
    // made anew (then white).
    bool matchSurfaceToScreen();
    // Keys that are shortcuts of menu items (Qt key codes). Their presses go
    // to the menu; their releases must not reach the key handlers either.
    void setShortcutKeys(std::set<int> keys) { shortcutKeys_ = std::move(keys); }

protected:
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

    Renderer& renderer_;
    QImage surface_;
    QImage picture_;  // the picture converted, where it cannot go straight to the screen
    bool pictureShown_ = false;
    std::set<int> shortcutKeys_;
    std::set<int> shortcutKeysPressedHere_;  // pressed without their modifiers, so not a shortcut

public:
    // Input as the handlers receive it, for a recording (set by the window).
    std::function<void(const ScriptEvent&)> recordInput;
};

// The main window "Trivane": menu bar, client area, and the loop's idle step
// that renders and shows a frame whenever no event is waiting.
class MainWindow : public QMainWindow, public PlatformServices {
    Q_OBJECT
public:
    // Runs the start-up of window creation: the frame bitmap, initialise(),
    // and the scene marked dirty. Frames start once the event loop runs.
    explicit MainWindow(Renderer& renderer, QWidget* parent = nullptr);

    // PlatformServices
    void requestQuit() override;
    void runLightMaterialDialog() override;
    std::optional<std::string> pickModelFile() override;
    void showLoadReport(const std::string& path, const LoadReport& report) override;
    std::optional<std::string> pickPictureFile() override;
    void pictureNotSaved(const std::string& path) override;
    void showControls() override;
    void showAbout() override;

    // One idle step: render the frame, draw the text lines, show the picture.
    void present();
    // A menu command as the window procedure handles it.
    void menuCommand(int32_t id);
    // Loads a model file as Load ASE does when the file is chosen (the file
    // argument, a drop).
    void openModelFile(const std::string& path);
    // Writes the input from now on as a trivane-render event script; false
    // when the file cannot be written.
    bool recordTo(const std::string& path);

    ClientArea* clientArea() const { return clientArea_; }
    const PresentStats& stats() const { return stats_; }
    bool idleRunning() const { return idle_.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenuBar();
    // Check marks from the state in force.
    void syncMenuChecks();
    void drawWindowLines();
    void fitOuterSize();
    void record(const ScriptEvent& event);

    Renderer& renderer_;
    ClientArea* clientArea_ = nullptr;
    QTimer idle_;
    PresentStats stats_;
    bool outerSizeFitted_ = false;
    QRect windowLinesArea_;  // where this frame's window lines were drawn
    TextLine lastWindowLines_[kWindowLineCount];
    bool windowLinesDrawn_ = false;
    TextLineCells pictureCells_;
    std::vector<QAction*> checkableItems_;
    QDialog* controlsWindow_ = nullptr;
    QDialog* aboutWindow_ = nullptr;
    std::optional<std::string> pendingModelPath_;  // what the next Load ASE opens without a chooser
    std::ofstream recording_;
};

}  // namespace trivane
