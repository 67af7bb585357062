#pragma once

#include <cstdint>

#include "math/vertex.h"

namespace trivane {

// The camera, the projection parameters and the transform chain the builders
// extend. rotationMatrix, scaleMatrix and builderMatrix hold the last matrix
// of their kind that a builder made.
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
    Matrix4 transform;       // built up by the builders, reset after each re-transform
    Matrix4 frameTransform;  // the transform of the last re-transform
    Matrix4 builderMatrix;
    Matrix4 rotationMatrix;
    Matrix4 scaleMatrix;
    uint8_t transposeRotations = 0;  // rotations enter transposed (inverted)
};

}  // namespace trivane
