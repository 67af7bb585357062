// Keyboard, mouse and wheel: each handler only changes Renderer fields; the
// next frame shows the result because a held key or button forces a
// re-transform and the wheel marks the scene dirty.
#include "core/renderer.h"
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

void Renderer::onKey(int32_t keyCode, uint8_t pressed) {
    if (pressed == 0) {
        // Any release stops the forced re-transform, even with another key
        // still down.
        keyHeld = 0;
        return;
    }
    if (keyCode == keys::kSpace) moveModel = moveModel ? 0 : 1;

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
    if (lookAtMode) {
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

    if (moveModel) {
        Vector3& p = meshes[0].position;
        moveByKey(keyCode, p.x, p.y, p.z);
    } else {
        moveByKey(keyCode, lightPosition.x, lightPosition.y, lightPosition.z);
    }
    // Every press counts, also of keys bound to nothing.
    keyHeld = 1;
}

// Either button starts the one drag: the scale drag measures from its starting
// height, the turn from the last position.
static void beginDrag(Renderer& r, int32_t x, int32_t y) {
    r.mouseDragging = 1;
    r.dragStartY = y;
    r.lastMouseX = x;
    r.lastMouseY = y;
}

void Renderer::onLeftButtonDown(int32_t x, int32_t y) {
    leftButtonDown = 1;
    beginDrag(*this, x, y);
}

void Renderer::onLeftButtonUp() {
    mouseDragging = 0;
    leftButtonDown = 0;
}

void Renderer::onRightButtonDown(int32_t x, int32_t y) {
    rightButtonDown = 1;
    beginDrag(*this, x, y);
}

void Renderer::onRightButtonUp() {
    mouseDragging = 0;
    rightButtonDown = 0;
}

void Renderer::onMouseMove(int32_t x, int32_t y) {
    if (!mouseDragging) return;
    Mesh& model = meshes[0];
    if (rightButtonDown) {
        // One fixed step per move message, whatever the distance; at or above
        // the starting height shrinks, with no lower limit.
        const double step = y > dragStartY ? kScaleStep : -kScaleStep;
        model.scale.x = stepScale(model.scale.x, step);
        model.scale.y = stepScale(model.scale.y, step);
        model.scale.z = stepScale(model.scale.z, step);
    }
    if (leftButtonDown) {
        if (y > lastMouseY) {
            model.rotation.x += kDragTurn;
        } else if (y < lastMouseY) {
            model.rotation.x -= kDragTurn;
        }
        lastMouseY = y;
        if (x > lastMouseX) {
            model.rotation.y -= kDragTurn;
        } else if (x < lastMouseX) {
            model.rotation.y += kDragTurn;
        }
        lastMouseX = x;
    }
}

void Renderer::onMouseWheel(int32_t raw) {
    dirty = 1;
    // The low word carries the button and modifier bits; dividing the whole
    // word (truncating toward zero) drops them for any realistic delta.
    const int32_t quotient = raw / 500000;
    meshes[0].rotation.z += static_cast<float>(quotient);
}

}  // namespace trivane
