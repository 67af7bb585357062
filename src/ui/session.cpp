#include "ui/session.h"

#include <utility>

#include "core/renderer.h"
#include "scene/loaded_files.h"
#include "ui/input_handlers.h"
#include "ui/menu_commands.h"
#include "ui/model_load.h"
#include "ui/platform_services.h"

namespace trivane {

Session::Session(CounterSource counter) : renderer_(std::make_unique<Renderer>()) {
    renderer_->clock.counter = counter;
}

Session::~Session() = default;

StartReport Session::start(int32_t width, int32_t height) {
    Renderer& r = *renderer_;
    createFrameBitmap(r.target, width, height);
    StartReport report = r.initialise();
    r.input.dirty = 1;
    return report;
}

void Session::startWithTexture(std::vector<uint8_t> bitmap) {
    Renderer& r = *renderer_;
    createFrameBitmap(r.target, kFrameWidth, kFrameHeight);
    r.clock.perfFrequency = r.clock.counter.frequency();
    installTexture(r.scene, readTexture(std::move(bitmap)));
    r.setStartValues();
    r.input.dirty = 1;
}

void Session::key(int32_t code, bool pressed) {
    Renderer& r = *renderer_;
    onKey(r.input, r.camera, r.scene.meshes[0].position, r.lighting.lightPosition, code, pressed);
}

void Session::leftButtonDown(int32_t x, int32_t y) { onButtonDown(renderer_->input, MouseButton::Left, x, y); }
void Session::leftButtonUp() { onButtonUp(renderer_->input, MouseButton::Left); }
void Session::rightButtonDown(int32_t x, int32_t y) { onButtonDown(renderer_->input, MouseButton::Right, x, y); }
void Session::rightButtonUp() { onButtonUp(renderer_->input, MouseButton::Right); }

void Session::mouseMove(int32_t x, int32_t y) {
    Mesh& model = renderer_->scene.meshes[0];
    onMouseMove(renderer_->input, model.scale, model.rotation, x, y);
}

void Session::mouseWheel(int32_t raw) { onMouseWheel(renderer_->input, renderer_->scene.meshes[0].rotation, raw); }

void Session::menuCommand(PlatformServices& platform, int32_t id) {
    onMenuCommand(*renderer_, platform, id);
    renderer_->input.dirty = 1;
}

void Session::openModel(PlatformServices& platform, const std::string& path) {
    openModelFile(renderer_->scene, platform, path);
    renderer_->input.dirty = 1;
}

std::unique_ptr<ModelLoad> Session::prepareLoad(const std::string& path) const {
    if (!acceptableModelPath(path)) return nullptr;
    return std::make_unique<ModelLoad>(renderer_->scene, path);
}

void Session::finishLoad(PlatformServices& platform, ModelLoad& load) {
    platform.showLoadReport(load.path(), load.install(renderer_->scene));
    renderer_->input.dirty = 1;
}

LightMaterialDialog Session::lightMaterialDialog(DialogControls& controls) {
    return LightMaterialDialog(renderer_->lighting, renderer_->scene, controls);
}

void Session::dialogClosed() { renderer_->input.dirty = 1; }

void Session::frame() { renderer_->renderFrame(); }

bool Session::wantsFrame() const {
    const Renderer& r = *renderer_;
    return r.input.keyHeld || r.input.mouseDragging || r.input.dirty || r.clock.animating;
}

void Session::setRateFromDrawingTime(bool on) { renderer_->clock.rateFromDrawingTime = on; }

FramePixels Session::picture() { return pixelsOf(renderer_->target); }

void Session::windowLines(TextLine (&lines)[kWindowLineCount], int32_t left) const {
    formatWindowLines(renderer_->camera, left, lines);
}

void Session::resizePicture(int32_t width, int32_t height) {
    Renderer& r = *renderer_;
    createFrameBitmap(r.target, width, height);
    // Without a start (no texture) the viewport stays as it was: nothing is drawn.
    if (r.camera.viewportWidth != 0.0f) {
        r.camera.viewportWidth = static_cast<float>(r.target.frameWidth);
        r.camera.viewportHeight = static_cast<float>(r.target.frameHeight);
    }
    r.input.dirty = 1;
}

void Session::pictureLines(TextLine (&lines)[kPictureLineCount]) const {
    formatPictureLines(renderer_->input, renderer_->lighting, renderer_->clock, renderer_->target.frameWidth, lines);
}

std::optional<bool> Session::menuItemChecked(int32_t id) const {
    return trivane::menuItemChecked(renderer_->camera, renderer_->settings, renderer_->clock, id);
}

}  // namespace trivane
