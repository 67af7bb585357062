#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/clock.h"
#include "math/camera_state.h"
#include "raster/render_settings.h"
#include "scene/scene_state.h"

namespace trivane {

struct Renderer;
class PlatformServices;

// The effect of a menu command; the caller marks the scene dirty after every
// command, whatever it did.
void onMenuCommand(Renderer& renderer, PlatformServices& platform, int32_t id);

// Loads a model file as Load ASE does once the file is chosen, and tells the
// platform how it went: the one way in for the menu, drops, the command line
// and scripts. A path the classic chooser could not have returned (empty,
// over 255 bytes, holding a NUL) is refused like a cancel.
void openModelFile(SceneState& scene, PlatformServices& platform, const std::string& path);
// Whether the loader can be given a path as it was chosen.
bool acceptableModelPath(const std::string& path);

// Whether an item shows a check mark: the render mode, the camera mode and
// the automatic rotation in force. Nothing for items that never carry one.
std::optional<bool> menuItemChecked(const CameraState& camera, const RenderSettings& settings,
                                    const FrameClock& clock, int32_t id);

}  // namespace trivane
