#pragma once

#include "math/camera_state.h"
#include "math/vertex.h"

namespace trivane {

// 3.14 / 180, not pi / 180: every stored angle is converted with this factor.
constexpr double kDegreeFactor = 0.017444444444444446;

// The single matrices, each returned on its own. Combining them is a chain of
// Matrix4::multiply calls onto an accumulated matrix, left to right in the
// order the transforms act; each product is rounded to float as it is made,
// so the order of the chain is part of the result.
Matrix4 translation(float tx, float ty, float tz);
Matrix4 scaling(float sx, float sy, float sz);
Matrix4 rotationX(float degrees);
Matrix4 rotationY(float degrees);
Matrix4 rotationZ(float degrees);
// The inverse of a rotation.
Matrix4 transposed(const Matrix4& m);
Matrix4 lookAtMatrix(Vertex eye, Vertex target, Vertex up);

// The model's scale and turn: about Z, then X, then Y.
Matrix4 modelTurn(const Vector3& scale, const Vector3& rotation);
// World to camera space after the model's scale, turn and position: the
// LookAt camera, or the Euler camera (its negated position, then its own
// rotations inverted).
Matrix4 modelView(const Vector3& scale, const Vector3& rotation, const Vector3& position, const CameraState& camera);

// Camera space to clip space: x and y scaled by the near plane over the
// viewport, z mapped so that the near plane gives 0 and the far plane w.
Matrix4 projectionMatrix(float nearPlane, float farPlane, float viewportWidth, float viewportHeight);
// Divided clip space (-1..1) to pixels.
Matrix4 viewportMatrix(float viewportWidth, float viewportHeight);

}  // namespace trivane
