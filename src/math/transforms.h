#pragma once

#include "math/vertex.h"

namespace trivane {

// Camera space to clip space: x and y scaled by the near plane over the
// viewport, z mapped so that the near plane gives 0 and the far plane w.
Matrix4 projectionMatrix(float nearPlane, float farPlane, float viewportWidth, float viewportHeight);
// Divided clip space (-1..1) to pixels.
Matrix4 viewportMatrix(float viewportWidth, float viewportHeight);

}  // namespace trivane
