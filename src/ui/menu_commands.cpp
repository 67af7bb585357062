// The effects of the menu commands. The caller marks the scene dirty after
// every command, whatever it did.
#include <string>

#include "core/png_writer.h"
#include "core/renderer.h"
#include "ui/menu_ids.h"
#include "ui/platform_services.h"

namespace trivane {

namespace {

void placeCamera(Renderer& r, float z, bool lookAt) {
    // Only x, y and z: w keeps whatever it held.
    r.cameraPosition.x = 0.0f;
    r.cameraPosition.y = 0.0f;
    r.cameraPosition.z = z;
    r.cameraTarget.x = 0.0f;
    r.cameraTarget.y = 0.0f;
    r.cameraTarget.z = 0.0f;
    r.cameraRotation = Vector3{};
    r.lookAtMode = lookAt ? 1 : 0;
    r.dirty = 1;
}

// A path the loader can be given as it was chosen: not empty, not longer than
// the classic buffer allowed, and without an embedded NUL that would make the
// loader open a different file than the one chosen.
bool acceptablePath(const std::string& path) {
    return !path.empty() && path.size() <= static_cast<size_t>(menu::kMaxModelPathBytes) &&
           path.find('\0') == std::string::npos;
}

}  // namespace

void Renderer::onMenuCommand(PlatformServices& platform, int32_t id) {
    switch (id) {
        case menu::kExit: platform.requestQuit(); break;
        case menu::kCameraLookAt: placeCamera(*this, -1000.0f, true); break;
        case menu::kCameraEuler: placeCamera(*this, -400.0f, false); break;
        case menu::kGlobeSphere: createGlobeSphere(); break;
        case menu::kGeoSphere: createGeoSphere(); break;
        case menu::kModeMapping: renderMode = Mapping; break;
        case menu::kModeWire: renderMode = Wire; break;
        case menu::kIcoSphere: createIcoSphere(); break;
        case menu::kModeGouraud: renderMode = Gouraud; break;
        case menu::kCube: createCube(); break;
        case menu::kLightMaterialDialog: platform.runLightMaterialDialog(); break;
        case menu::kLoadModel: {
            const std::optional<std::string> path = platform.pickModelFile();
            if (path && acceptablePath(*path)) loadModel(path->c_str());
            break;
        }
        case menu::kToggleAnimation: animating = animating ? 0 : 1; break;
        case menu::kSavePicture: {
            // The framebuffer still holds the frame last shown, its picture
            // lines included: that is the picture the user sees.
            const std::optional<std::string> path = platform.pickPictureFile();
            if (path && !path->empty() && !writeFramePng(path->c_str(), frameBits))
                platform.pictureNotSaved(*path);
            break;
        }
        case menu::kShowControls: platform.showControls(); break;
        case menu::kShowAbout: platform.showAbout(); break;
        default: break;
    }
}

std::optional<bool> menuItemChecked(const Renderer& r, int32_t id) {
    switch (id) {
        // The side panel says "LookAt" for 1 and "Euler" otherwise.
        case menu::kCameraLookAt: return r.lookAtMode == 1;
        case menu::kCameraEuler: return r.lookAtMode != 1;
        case menu::kModeMapping: return r.renderMode == Mapping;
        case menu::kModeWire: return r.renderMode == Wire;
        case menu::kModeGouraud: return r.renderMode == Gouraud;
        case menu::kToggleAnimation: return r.animating != 0;
        default: return std::nullopt;
    }
}

}  // namespace trivane
