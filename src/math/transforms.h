#pragma once

#include "math/camera_state.h"
#include "math/vertex.h"

namespace trivane {

// 3.14 / 180, not pi / 180: every stored angle is converted with this factor.
constexpr double kDegreeFactor = 0.017444444444444446;

// Builders: each makes its matrix (kept in the camera's matrix of that kind)
// and multiplies it onto the camera's transform. Rotations enter transposed,
// which inverts them, when asked.
void translate(CameraState& camera, float tx, float ty, float tz);
void scaleBy(CameraState& camera, float sx, float sy, float sz);
void rotateX(CameraState& camera, float degrees, bool transposed);
void rotateY(CameraState& camera, float degrees, bool transposed);
void rotateZ(CameraState& camera, float degrees, bool transposed);
void lookAt(CameraState& camera, Vertex eye, Vertex target, Vertex up);

// Camera space to clip space: x and y scaled by the near plane over the
// viewport, z mapped so that the near plane gives 0 and the far plane w.
Matrix4 projectionMatrix(float nearPlane, float farPlane, float viewportWidth, float viewportHeight);
// Divided clip space (-1..1) to pixels.
Matrix4 viewportMatrix(float viewportWidth, float viewportHeight);

}  // namespace trivane
