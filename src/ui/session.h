#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/start_report.h"
#include "raster/frame_layout.h"
#include "ui/light_dialog.h"
#include "ui/text_lines.h"

namespace trivane {

struct Renderer;
class ModelLoad;
class PlatformServices;

// The viewer as every front end drives it: the window, the script player,
// trivane-render, the benchmarks, the soak and the fuzz targets. Input goes in
// as the handlers take it, menu commands mark the scene dirty, and what comes
// out is the picture and the text lines.
class Session {
public:
    explicit Session(CounterSource counter = monotonicCounter());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Start-up as at window creation: the picture (800 x 600 unless asked
    // otherwise), the texture, every start value and the default model read
    // from the working directory (else the installed copy), and the scene
    // marked dirty. Says which default files were found nowhere (without the
    // texture nothing is drawn).
    StartReport start(int32_t width = kFrameWidth, int32_t height = kFrameHeight);
    // The same with a texture given as a bitmap file's bytes and no model.
    void startWithTexture(std::vector<uint8_t> bitmap);

    void key(int32_t code, bool pressed);
    void leftButtonDown(int32_t x, int32_t y);
    void leftButtonUp();
    void rightButtonDown(int32_t x, int32_t y);
    void rightButtonUp();
    void mouseMove(int32_t x, int32_t y);
    void mouseWheel(int32_t raw);
    void menuCommand(PlatformServices& platform, int32_t id);
    // Load ASE with the file already chosen (a drop, the command line, a
    // script): the scene is marked dirty as after the menu command.
    void openModel(PlatformServices& platform, const std::string& path);
    // The same in halves, for a front end that reads the file on a worker
    // while it goes on drawing: prepared here (null for a path refused like
    // a cancel), run anywhere, then finished here, which installs what was
    // read, tells the platform and marks the scene dirty.
    std::unique_ptr<ModelLoad> prepareLoad(const std::string& path) const;
    void finishLoad(PlatformServices& platform, ModelLoad& load);
    // The handlers of one opening of the light and material dialog.
    LightMaterialDialog lightMaterialDialog(DialogControls& controls);
    // A dialog closed: the scene is marked dirty as after a menu command.
    void dialogClosed();

    void frame();
    // Whether a frame drawn now could differ from the last one: a key or
    // button is held, the model turns by itself, or a change is waiting.
    bool wantsFrame() const;
    // Frames drawn only on change measure their rate by their own drawing
    // time; frames drawn without pause, from one to the next (the default).
    void setRateFromDrawingTime(bool on);
    // The frame last drawn: blue, green, red, row 0 at the bottom. No pixels
    // before start.
    FramePixels picture();
    // A picture of another size (16 to 8192 each way), the viewport with it;
    // the scene is marked dirty. The classic picture is 800 x 600.
    void resizePicture(int32_t width, int32_t height);
    // Beside the picture, from x = left in the window.
    void windowLines(TextLine (&lines)[kWindowLineCount], int32_t left = kFrameWidth + 10) const;
    void pictureLines(TextLine (&lines)[kPictureLineCount]) const;
    std::optional<bool> menuItemChecked(int32_t id) const;

    // The state itself, for benchmarks, tests and fuzz targets that set up a
    // scene no file describes.
    Renderer& state() { return *renderer_; }
    const Renderer& state() const { return *renderer_; }

private:
    std::unique_ptr<Renderer> renderer_;
};

}  // namespace trivane
