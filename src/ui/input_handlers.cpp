#include "ui/input_handlers.h"

#include "ui/key_codes.h"

namespace trivane {

namespace {

constexpr float kKeyStep = 10.0f;
constexpr float kDragTurn = 2.0f;
// Double on purpose: the scale step is formed in double and rounded when
// stored, which differs from adding the float nearest 0.01.
constexpr double kScaleStep = 0.01;

// The arrow and page keys, applied to either the model or the light.
void moveByKey(int32_t keyCode, float& x, float& y, float& z) {
    switch (keyCode) {
        case keys::kUp: y += kKeyStep; break;
        case keys::kDown: y -= kKeyStep; break;
        case keys::kLeft: x -= kKeyStep; break;
        case keys::kRight: x += kKeyStep; break;
        case keys::kPageUp: z -= kKeyStep; break;
        case keys::kPageDown: z += kKeyStep; break;
        default: break;
    }
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
    Vertex& cameraPosition = camera.cameraPosition;
    Vertex& cameraTarget = camera.cameraTarget;
    Vector3& cameraRotation = camera.cameraRotation;

    switch (keyCode) {
        case keys::kW: cameraPosition.y += kKeyStep; break;
        case keys::kS: cameraPosition.y -= kKeyStep; break;
        case keys::kA: cameraPosition.x -= kKeyStep; break;
        case keys::kD: cameraPosition.x += kKeyStep; break;
        case keys::kQ: cameraPosition.z -= kKeyStep; break;
        case keys::kE: cameraPosition.z += kKeyStep; break;
        default: break;
    }
    // The same six keys move the LookAt target or turn the Euler camera.
    if (camera.lookAtMode) {
        switch (keyCode) {
            case keys::kJ: cameraTarget.x -= kKeyStep; break;
            case keys::kL: cameraTarget.x += kKeyStep; break;
            case keys::kI: cameraTarget.y += kKeyStep; break;
            case keys::kK: cameraTarget.y -= kKeyStep; break;
            case keys::kU: cameraTarget.z -= kKeyStep; break;
            case keys::kO: cameraTarget.z += kKeyStep; break;
            default: break;
        }
    } else {
        switch (keyCode) {
            case keys::kJ: cameraRotation.x -= kKeyStep; break;
            case keys::kL: cameraRotation.x += kKeyStep; break;
            case keys::kI: cameraRotation.y += kKeyStep; break;
            case keys::kK: cameraRotation.y -= kKeyStep; break;
            case keys::kU: cameraRotation.z -= kKeyStep; break;
            case keys::kO: cameraRotation.z += kKeyStep; break;
            default: break;
        }
    }

    if (input.moveModel) {
        moveByKey(keyCode, modelPosition.x, modelPosition.y, modelPosition.z);
    } else {
        moveByKey(keyCode, lightPosition.x, lightPosition.y, lightPosition.z);
    }
    // Every press counts, also of keys bound to nothing.
    input.keyHeld = 1;
}

namespace {

// Either button starts the one drag: the scale drag measures from its starting
// height, the turn from the last position.
void beginDrag(InputState& input, int32_t x, int32_t y) {
    input.mouseDragging = 1;
    input.dragStartY = y;
    input.lastMouseX = x;
    input.lastMouseY = y;
}

}  // namespace

void onLeftButtonDown(InputState& input, int32_t x, int32_t y) {
    input.leftButtonDown = 1;
    beginDrag(input, x, y);
}

void onLeftButtonUp(InputState& input) {
    input.mouseDragging = 0;
    input.leftButtonDown = 0;
}

void onRightButtonDown(InputState& input, int32_t x, int32_t y) {
    input.rightButtonDown = 1;
    beginDrag(input, x, y);
}

void onRightButtonUp(InputState& input) {
    input.mouseDragging = 0;
    input.rightButtonDown = 0;
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
