#include "ui/menu_commands.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/png_writer.h"
#include "core/renderer.h"
#include "math/transforms.h"
#include "scene/loaded_files.h"
#include "scene/procedural.h"
#include "ui/menu_ids.h"
#include "ui/platform_services.h"

namespace trivane {

namespace {

void placeCamera(CameraState& camera, float z, bool lookAt) {
    // Only x, y and z: w keeps whatever it held.
    camera.cameraPosition.x = 0.0f;
    camera.cameraPosition.y = 0.0f;
    camera.cameraPosition.z = z;
    camera.cameraTarget.x = 0.0f;
    camera.cameraTarget.y = 0.0f;
    camera.cameraTarget.z = 0.0f;
    camera.cameraRotation = Vector3{};
    camera.lookAtMode = lookAt ? 1 : 0;
}

// The radius the model's bounding sphere gets: at the LookAt preset's distance
// of 1000 and a view 90 degrees high it fills most of the picture's height,
// and its front stays beyond the near plane at 300.
constexpr double kFittedRadius = 650.0;

// Calls use(v) for every finite vertex of the shown meshes. Hidden meshes
// (bones) do not count.
template <typename Use>
void forEachShownVertex(const SceneState& scene, Use&& use) {
    const int32_t inUse = meshesInUse(scene);
    for (int32_t m = 0; m < inUse; ++m) {
        const Mesh& mesh = scene.meshes[m];
        if (!mesh.visible) continue;
        const size_t count = std::min(static_cast<size_t>(std::max(mesh.vertexCount, 0)), mesh.vertices.size());
        for (size_t i = 0; i < count; ++i) {
            const Vertex& v = mesh.vertices[i];
            if (std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) use(v);
        }
    }
}

// The box around the shown vertices in model space; false when none is shown.
bool shownBox(const SceneState& scene, double (&low)[3], double (&high)[3]) {
    for (int k = 0; k < 3; ++k) low[k] = INFINITY, high[k] = -INFINITY;
    forEachShownVertex(scene, [&](const Vertex& v) {
        const double p[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    });
    return low[0] <= high[0];
}

// Moves the model, as it is scaled and turned now, so that the point centre
// sits at the origin the LookAt preset looks at. Mesh 0 carries the
// transform of the whole model whether it is shown or not.
void centreModel(Mesh& model, const double (&centre)[3]) {
    Vertex c;
    c.x = static_cast<float>(centre[0]);
    c.y = static_cast<float>(centre[1]);
    c.z = static_cast<float>(centre[2]);
    c.transformBy(modelTurn(model.scale, model.rotation));
    model.position = Vector3{-c.x, -c.y, -c.z};
}

// Scales the model and moves it, as it is turned now, so that the bounding
// sphere of its visible meshes sits at the origin the LookAt preset looks at.
void fitModel(SceneState& scene, CameraState& camera) {
    double low[3], high[3];
    if (!shownBox(scene, low, high)) return;
    const double centre[3] = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
    double radius = 0.0;
    forEachShownVertex(scene, [&](const Vertex& v) {
        radius = std::max(radius, std::hypot(v.x - centre[0], v.y - centre[1], v.z - centre[2]));
    });
    const float scale = static_cast<float>(kFittedRadius / radius);
    if (!(radius > 0.0) || !std::isfinite(scale) || scale <= 0.0f) return;

    placeCamera(camera, -1000.0f, true);
    Mesh& model = scene.meshes[0];
    model.scale = Vector3{scale, scale, scale};
    centreModel(model, centre);
}

// Turns for a model just opened: from the front, from above and from the
// side. The one whose box shows the largest area wins (the first on a tie),
// so a flat model is never seen edge-on.
constexpr Vector3 kOpeningTurns[] = {{0.0f, 0.0f, 0.0f}, {-90.0f, 0.0f, 0.0f}, {0.0f, 90.0f, 0.0f}};

// Share of the picture's width or height the framed model reaches at most.
constexpr double kFramedShare = 0.75;

// A model just opened: turned to show the most of itself, scaled so that the
// front of its box fills three quarters of the picture's width or height,
// whichever comes first, and centred before the LookAt preset.
void frameModel(SceneState& scene, CameraState& camera) {
    double low[3], high[3];
    if (!shownBox(scene, low, high)) return;
    const double centre[3] = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
    Vector3 best{};
    double bestArea = -1.0, extent[3] = {0, 0, 0};
    for (const Vector3& turn : kOpeningTurns) {
        const Matrix4 m = modelTurn(Vector3{1.0f, 1.0f, 1.0f}, turn);
        double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
        for (int corner = 0; corner < 8; ++corner) {
            Vertex v;
            v.x = static_cast<float>(corner & 1 ? high[0] : low[0]);
            v.y = static_cast<float>(corner & 2 ? high[1] : low[1]);
            v.z = static_cast<float>(corner & 4 ? high[2] : low[2]);
            v.transformBy(m);
            const double p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
        }
        const double area = (hi[0] - lo[0]) * (hi[1] - lo[1]);
        if (area > bestArea) {
            bestArea = area, best = turn;
            for (int k = 0; k < 3; ++k) extent[k] = hi[k] - lo[k];
        }
    }
    // The box's front face, the nearest to the camera at the preset's
    // distance D, is the largest in the picture: half a side h there lands
    // s h near / (D - s hz) pixels from the centre, which must stay within a
    // share of half the picture. The front also stays beyond the near plane.
    const double near = camera.nearPlane, distance = 1000.0;
    const double hx = extent[0] / 2, hy = extent[1] / 2, hz = extent[2] / 2;
    const double allowedX = kFramedShare * camera.viewportWidth / 2, allowedY = kFramedShare * camera.viewportHeight / 2;
    const double scale = std::min({allowedX * distance / (hx * near + allowedX * hz),
                                   allowedY * distance / (hy * near + allowedY * hz),
                                   hz > 0.0 ? (distance - 1.2 * near) / hz : INFINITY});
    if (!(scale > 0.0) || !std::isfinite(static_cast<float>(scale))) return;
    placeCamera(camera, -1000.0f, true);
    Mesh& model = scene.meshes[0];
    const float s = static_cast<float>(scale);
    model.scale = Vector3{s, s, s};
    model.rotation = best;
    centreModel(model, centre);
}

}  // namespace

// Not longer than the classic buffer allowed, and without an embedded NUL
// that would make the loader open a different file than the one chosen.
bool acceptableModelPath(const std::string& path) {
    return !path.empty() && path.size() <= static_cast<size_t>(menu::kMaxModelPathBytes) &&
           path.find('\0') == std::string::npos;
}

void openModelFile(SceneState& scene, PlatformServices& platform, const std::string& path) {
    if (acceptableModelPath(path)) platform.showLoadReport(path, loadModelFile(scene, path.c_str()));
}

void onMenuCommand(Renderer& r, PlatformServices& platform, int32_t id) {
    switch (id) {
        case menu::kExit: platform.requestQuit(); break;
        case menu::kCameraLookAt: placeCamera(r.camera, -1000.0f, true); break;
        case menu::kCameraEuler: placeCamera(r.camera, -400.0f, false); break;
        case menu::kGlobeSphere: createGlobeSphere(r.scene); break;
        case menu::kGeoSphere: createGeoSphere(r.scene); break;
        case menu::kModeMapping: r.settings.renderMode = Mapping; break;
        case menu::kModeWire: r.settings.renderMode = Wire; break;
        case menu::kIcoSphere: createIcoSphere(r.scene); break;
        case menu::kModeGouraud: r.settings.renderMode = Gouraud; break;
        case menu::kCube: createCube(r.scene); break;
        case menu::kLightMaterialDialog: platform.runLightMaterialDialog(); break;
        case menu::kLoadModel:
            if (const std::optional<std::string> path = platform.pickModelFile()) openModelFile(r.scene, platform, *path);
            break;
        case menu::kToggleAnimation: r.clock.animating = r.clock.animating ? 0 : 1; break;
        case menu::kFitModel: fitModel(r.scene, r.camera); break;
        case menu::kFrameModel: frameModel(r.scene, r.camera); break;
        case menu::kSavePicture: {
            // The framebuffer still holds the frame last shown, its picture
            // lines included: that is the picture the user sees.
            const std::optional<std::string> path = platform.pickPictureFile();
            if (!path || path->empty()) break;
            if (const std::string why = writeFramePng(*path, pixelsOf(r.target)); !why.empty())
                platform.pictureNotSaved(*path, why);
            break;
        }
        case menu::kShowControls: platform.showControls(); break;
        case menu::kShowAbout: platform.showAbout(); break;
        default: break;
    }
}

std::optional<bool> menuItemChecked(const CameraState& camera, const RenderSettings& settings,
                                    const FrameClock& clock, int32_t id) {
    switch (id) {
        // The side panel says "LookAt" for 1 and "Euler" otherwise.
        case menu::kCameraLookAt: return camera.lookAtMode == 1;
        case menu::kCameraEuler: return camera.lookAtMode != 1;
        case menu::kModeMapping: return settings.renderMode == Mapping;
        case menu::kModeWire: return settings.renderMode == Wire;
        case menu::kModeGouraud: return settings.renderMode == Gouraud;
        case menu::kToggleAnimation: return clock.animating != 0;
        default: return std::nullopt;
    }
}

}  // namespace trivane
