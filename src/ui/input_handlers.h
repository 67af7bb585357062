#pragma once

#include <cstdint>

#include "core/input_state.h"
#include "math/camera_state.h"
#include "math/vertex.h"

// Keyboard, mouse and wheel. Each handler changes only what its signature
// names; the next frame shows the result, since a held key or button forces
// a re-transform and the wheel marks the scene dirty. The model is mesh 0,
// whose placement moves the whole scene.

namespace trivane {

// A press moves the camera, its target or rotation, and the model or the
// light; any release ends the forced re-transform.
void onKey(InputState& input, CameraState& camera, Vector3& modelPosition, Vertex& lightPosition,
           int32_t keyCode, bool pressed);
enum class MouseButton { Left, Right };
// The left button turns the model, the right one scales it.
void onButtonDown(InputState& input, MouseButton button, int32_t x, int32_t y);
void onButtonUp(InputState& input, MouseButton button);
// During a drag: the right button scales the model, the left one turns it.
void onMouseMove(InputState& input, Vector3& modelScale, Vector3& modelRotation, int32_t x, int32_t y);
// Turns the model about Z by the raw wheel word.
void onMouseWheel(InputState& input, Vector3& modelRotation, int32_t raw);

}  // namespace trivane
