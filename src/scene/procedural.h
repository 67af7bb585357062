#pragma once

#include "scene/scene_state.h"

// The four models that need no file. Each replaces the scene's model with
// mesh 0 alone, allocated exactly.

namespace trivane {

void createGlobeSphere(SceneState& scene);
void createGeoSphere(SceneState& scene);
void createIcoSphere(SceneState& scene);
// The cube keeps the model's position, rotation and scale.
void createCube(SceneState& scene);

// The direction (ax, az) in whole degrees from (bx, bz), measured about y as
// the spheres' texture coordinates need it.
float azimuthDegrees(float ax, float az, float bx, float bz);

}  // namespace trivane
