#include "ui/input_handlers.h"

#include "ui/key_codes.h"

namespace trivane {

namespace {

constexpr float kKeyStep = 10.0f;
constexpr float kDragTurn = 2.0f;
// Double on purpose: the scale step is formed in double and rounded when
// stored, which differs from adding the float nearest 0.01.
constexpr double kScaleStep = 0.01;

// Six keys that step a point along its axes: x down and up, y up and down,
// z down and up.
struct AxisKeys {
    int32_t xDown, xUp, yUp, yDown, zDown, zUp;
};
constexpr AxisKeys kCameraKeys{keys::kA, keys::kD, keys::kW, keys::kS, keys::kQ, keys::kE};
constexpr AxisKeys kTargetKeys{keys::kJ, keys::kL, keys::kI, keys::kK, keys::kU, keys::kO};
constexpr AxisKeys kMoveKeys{keys::kLeft, keys::kRight, keys::kUp, keys::kDown, keys::kPageUp, keys::kPageDown};

void stepByKey(int32_t keyCode, const AxisKeys& k, float& x, float& y, float& z) {
    if (keyCode == k.xDown) x -= kKeyStep;
    else if (keyCode == k.xUp) x += kKeyStep;
    else if (keyCode == k.yUp) y += kKeyStep;
    else if (keyCode == k.yDown) y -= kKeyStep;
    else if (keyCode == k.zDown) z -= kKeyStep;
    else if (keyCode == k.zUp) z += kKeyStep;
}

float stepScale(float value, double step) {
    return static_cast<float>(static_cast<double>(value) + step);
}

}  // namespace

void onKey(InputState& input, CameraState& camera, Vector3& modelPosition, Vertex& lightPosition,
           int32_t keyCode, bool pressed) {
    if (!pressed) {
        // Any release stops the forced re-transform, even with another key
        // still down.
        input.keyHeld = 0;
        return;
    }
    if (keyCode == keys::kSpace) input.moveModel = input.moveModel ? 0 : 1;
    Vertex& eye = camera.cameraPosition;
    stepByKey(keyCode, kCameraKeys, eye.x, eye.y, eye.z);
    // The same six keys move the LookAt target or turn the Euler camera.
    if (camera.lookAtMode) {
        Vertex& target = camera.cameraTarget;
        stepByKey(keyCode, kTargetKeys, target.x, target.y, target.z);
    } else {
        Vector3& turn = camera.cameraRotation;
        stepByKey(keyCode, kTargetKeys, turn.x, turn.y, turn.z);
    }
    // The arrows and page keys move the model or the light.
    if (input.moveModel) {
        stepByKey(keyCode, kMoveKeys, modelPosition.x, modelPosition.y, modelPosition.z);
    } else {
        stepByKey(keyCode, kMoveKeys, lightPosition.x, lightPosition.y, lightPosition.z);
    }
    // Every press counts, also of keys bound to nothing.
    input.keyHeld = 1;
}

// Either button starts the one drag: the scale drag measures from its starting
// height, the turn from the last position.
void onButtonDown(InputState& input, MouseButton button, int32_t x, int32_t y) {
    (button == MouseButton::Left ? input.leftButtonDown : input.rightButtonDown) = 1;
    input.mouseDragging = 1;
    input.dragStartY = y;
    input.lastMouseX = x;
    input.lastMouseY = y;
}

// Either release ends the drag, also with the other button still held.
void onButtonUp(InputState& input, MouseButton button) {
    input.mouseDragging = 0;
    (button == MouseButton::Left ? input.leftButtonDown : input.rightButtonDown) = 0;
}

void onMouseMove(InputState& input, Vector3& modelScale, Vector3& modelRotation, int32_t x, int32_t y) {
    if (!input.mouseDragging) return;
    if (input.rightButtonDown) {
        // One fixed step per move message, whatever the distance; at or above
        // the starting height shrinks, with no lower limit.
        const double step = y > input.dragStartY ? kScaleStep : -kScaleStep;
        modelScale.x = stepScale(modelScale.x, step);
        modelScale.y = stepScale(modelScale.y, step);
        modelScale.z = stepScale(modelScale.z, step);
    }
    if (input.leftButtonDown) {
        if (y > input.lastMouseY) {
            modelRotation.x += kDragTurn;
        } else if (y < input.lastMouseY) {
            modelRotation.x -= kDragTurn;
        }
        input.lastMouseY = y;
        if (x > input.lastMouseX) {
            modelRotation.y -= kDragTurn;
        } else if (x < input.lastMouseX) {
            modelRotation.y += kDragTurn;
        }
        input.lastMouseX = x;
    }
}

void onMouseWheel(InputState& input, Vector3& modelRotation, int32_t raw) {
    input.dirty = 1;
    // The low word carries the button and modifier bits; dividing the whole
    // word (truncating toward zero) drops them for any realistic delta.
    const int32_t quotient = raw / 500000;
    modelRotation.z += static_cast<float>(quotient);
}

}  // namespace trivane
