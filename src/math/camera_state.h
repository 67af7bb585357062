#pragma once

#include <cstdint>

#include "math/vertex.h"

namespace trivane {

// The camera and the projection parameters. A frame builds its matrices from
// these each time; nothing of a frame's matrices is kept here.
struct CameraState {
    Vertex cameraPosition;
    Vertex cameraTarget;
    Vertex cameraUp;
    Vector3 cameraRotation;  // the Euler camera's degrees about X, Y, Z
    uint8_t lookAtMode = 0;
    float nearPlane = 0.0f;
    float farPlane = 0.0f;
    float viewportWidth = 0.0f;
    float viewportHeight = 0.0f;
};

}  // namespace trivane
